// libFuzzer target: the tool's PNG reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "decoded_image.h"
#include "tool/stored_png.h"
#include "tools/png_io.h"

namespace {

uint32_t BigEndian32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Gives every whole chunk its right checksum, so that mutations reach the
// decoder instead of stopping at the CRC check.
void RepairChunkCrcs(std::vector<uint8_t>& file)
{
    size_t at = 8;  // after the signature
    while (at + 12 <= file.size()) {
        const uint64_t length = BigEndian32(file.data() + at);
        if (length > file.size() - at - 12) {
            return;
        }
        const uint32_t crc =
            tooltest::Crc32(std::span<const uint8_t>(file.data() + at + 4, static_cast<size_t>(length) + 4));
        uint8_t* stored = file.data() + at + 8 + length;
        for (int i = 0; i < 4; ++i) {
            stored[i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        }
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> file(data, data + size);
    RepairChunkCrcs(file);
    dibtool::PackedDib image;
    if (dibtool::DecodePng(file, image).empty()) {
        fuzzcheck::CheckDecodedImage(image);
    } else {
        fuzzcheck::Require(image.empty(), "a refused file left an image behind");
    }
    return 0;
}
