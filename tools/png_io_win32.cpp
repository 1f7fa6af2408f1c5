// The Windows build has no libpng: PNG input is refused with a clear
// message, and PNG output is written by the tool's own encoder of stored
// (uncompressed) PNGs.
#include "tools/output_file.h"
#include "tools/png_io.h"

namespace dibtool {

std::string DecodePng(std::span<const uint8_t>, PackedDib&, COLORREF)
{
    return "PNG input is not supported by the Windows build of dibdraw, which has no PNG decoder; "
           "convert the file to BMP";
}

std::string WritePng(const std::string& path, const PngImage& picture)
{
    return WriteBytes(path, EncodeStoredPng(picture));
}

}  // namespace dibtool
