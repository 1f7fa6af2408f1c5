// Counts the StretchDIBits calls dibdraw32.dll makes, for --info: the entry
// of the DLL's import table is pointed at a wrapper that counts and calls
// GDI's StretchDIBits.
#pragma once

#include <cstddef>

namespace dibtool {

// Installs the wrapper once. Returns false when the DLL or its import of
// StretchDIBits cannot be found (the count then stays 0).
bool InstallStretchCounter();
void ClearStretchCount();
size_t StretchCount();

}  // namespace dibtool
