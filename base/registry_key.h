#pragma once

#include <windows.h>

#include "base/owned.h"

// An open registry key: RegOpenKeyEx(..., key.receive()).
using RegistryKey = Owned<HKEY, &RegCloseKey>;
