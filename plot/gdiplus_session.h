#pragma once

// GDI+ for this process: started on the first call, once, and shut down when
// the program ends (after main returns). True when it is running. Every GDI+
// object must be gone before then; the plot's own live only within one call.
bool GdiplusReady();
