#include "storage/module_file_names.h"

std::wstring ModuleFileBase(const std::wstring& modulePath) {
    // Three characters go whatever they are; there is no search for a dot.
    return modulePath.size() > 3 ? modulePath.substr(0, modulePath.size() - 3) : std::wstring();
}
