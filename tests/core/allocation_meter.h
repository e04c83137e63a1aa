#pragma once

// The bytes this program has asked of operator new and not yet given back,
// counted by the program's own operator new and delete (allocation_meter.cpp,
// which replaces the global ones: link it into one test program only).
#include <cstddef>

// The bytes held now.
size_t AllocatedBytes();
// The most bytes held at any moment since the last ResetAllocationPeak.
size_t PeakAllocatedBytes();
// Starts the peak again from the bytes held now.
void ResetAllocationPeak();
