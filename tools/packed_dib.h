// The image the tool hands to the library (a packed DIB, the project's one
// builder of them) and the sizes the tool accepts.
#pragma once

#include <cstdint>
#include <string>

#include "common/packed_dib.h"

namespace dibtool {

// The largest image the tool reads or screen it sets up: 32768 pixels on a
// side and 2^26 pixels in all, which keeps every buffer well inside memory.
constexpr int64_t kMaxImageSide = 32768;
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

// Why an image of this size cannot be handled ("width 0 is not positive"),
// or an empty string when it can.
std::string CheckImageSize(int64_t width, int64_t height);

// What the tool reports when the pixels of an image of this size do not fit
// in memory: "not enough memory for a 32768×2048 image".
std::string NotEnoughMemoryFor(int64_t width, int64_t height);

using dibkit::GetIndex;
using dibkit::PackedDib;
using dibkit::PutIndex;

}  // namespace dibtool
