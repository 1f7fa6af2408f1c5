// PNG files encoded in memory with libpng, from plain sample values, so that
// the tool's PNG reader is tested against files it did not write itself.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

#include "tool/stored_png.h"

namespace tooltest {

struct PngPicture {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> transparency;  // tRNS alpha values of palette entries
    std::vector<png_color_16> transparentColour;  // tRNS of a grey or colour image: none or one
    // One value per sample: width x channels values per row, top row first.
    std::vector<std::vector<uint32_t>> samples;
};

struct PngSink {
    std::vector<uint8_t> bytes;
};

inline void AppendToSink(png_structp png, png_bytep data, size_t size)
{
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->bytes.insert(sink->bytes.end(), data, data + size);
}

inline void FlushSink(png_structp) {}

// Returns the encoded file, or an empty vector if libpng refused the picture.
inline std::vector<uint8_t> EncodePng(const PngPicture& picture)
{
    std::vector<std::vector<png_byte>> rows;
    for (const auto& samples : picture.samples) {
        rows.push_back(PackSamples(samples, picture.bitDepth));
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) {
        pointers.push_back(row.data());
    }
    PngSink sink;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &sink, AppendToSink, FlushSink);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
                 picture.bitDepth, picture.colorType, picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    }
    if (!picture.transparency.empty()) {
        png_set_tRNS(png, info, picture.transparency.data(), static_cast<int>(picture.transparency.size()), nullptr);
    }
    if (!picture.transparentColour.empty()) {
        png_set_tRNS(png, info, nullptr, 0, picture.transparentColour.data());
    }
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return sink.bytes;
}

}  // namespace tooltest
