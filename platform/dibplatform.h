// The one header through which dibdraw32 sees its platform: the Windows types
// and the GDI and USER functions it calls. On Windows that is <windows.h>;
// elsewhere the same names come from the virtual display library.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#if defined(DIBDRAW32_BUILD)
#define DIBDRAW32_API __declspec(dllexport)
#else
#define DIBDRAW32_API __declspec(dllimport)
#endif
#else
#include "vdisplay/gdi.h"
#define DIBDRAW32_API __attribute__((visibility("default")))
#endif
