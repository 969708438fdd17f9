// Read-only views into our Windows API layer for tests and tools: nothing that the program itself uses.
#pragma once

#include <windows.h>

namespace platform {

// GDI objects currently alive: pens, brushes, bitmaps and memory device contexts that were created and not
// yet deleted. Stock objects (GetStockObject, GetSysColorBrush) and window DCs are not counted.
int gdi_object_count();

} // namespace platform
