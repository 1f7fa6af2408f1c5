// Names of the library's routines, for diagnostics.
#pragma once

#include "dibdraw32/VyrBlitter.h"

// The name of a converter ("Blit8To24Swap"), "none" for null, "unknown" for a
// routine that is not one of the library's converters.
DIBDRAW32_API const char* ConverterName(BlitterFn converter);
