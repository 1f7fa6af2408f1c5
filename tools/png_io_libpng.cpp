#include "tools/png_io.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "tools/png_rows.h"

namespace dibtool {

namespace {

// libpng reports errors by longjmp; everything the decoder builds lives in
// this state, owned by the caller, so that no object with a destructor is
// skipped by the jump and none is left half-modified in a register.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::span<const uint8_t> file;
    size_t position = 0;
    std::string error;
    bool refused = false;  // error is the whole message: the image is too large, for the tool or for memory
    png_uint_32 width = 0;  // as the header declares, once read
    png_uint_32 height = 0;
    std::vector<uint8_t> pixels;  // decoded rows, top row first
    std::vector<png_bytep> rows;
    std::vector<PngPaletteColor> palette;
    COLORREF background = kDefaultBackground;
    std::optional<PngDibBuilder> builder;
};

void OnError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    state->error = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count)
{
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (count > state->file.size() - state->position) {
        png_error(png, "the file ends inside the image data");
    }
    std::memcpy(out, state->file.data() + state->position, count);
    state->position += count;
}

// Everything between the jump target and the end of decoding; returns false
// when the image's size is refused (state->error says why).
bool DecodeInto(PngState* state)
{
    png_structp png = state->png;
    png_infop info = state->info;
    png_set_read_fn(png, state, ReadFromMemory);
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    state->width = width;
    state->height = height;
    if (std::string problem = CheckImageSize(width, height); !problem.empty()) {
        state->error = problem;
        state->refused = true;
        return false;
    }
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    PngRowLayout layout = PngRowLayout::Indices;
    if (colorType != PNG_COLOR_TYPE_PALETTE) {
        if (bitDepth == 16) {
            png_set_scale_16(png);
        }
        if ((colorType & PNG_COLOR_MASK_ALPHA) != 0 || hasTrns) {
            // A transparent colour becomes an alpha channel.
            layout = PngRowLayout::Bgra;
            png_set_expand(png);
            png_set_gray_to_rgb(png);
            png_set_bgr(png);
        } else if ((colorType & PNG_COLOR_MASK_COLOR) != 0) {
            layout = PngRowLayout::Bgr;
            png_set_bgr(png);
        } else {
            layout = PngRowLayout::Grey;
            if (bitDepth < 8) {
                png_set_expand_gray_1_2_4_to_8(png);
            }
        }
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    state->builder.emplace(static_cast<int>(width), static_cast<int>(height), layout, bitDepth, state->background);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != state->builder->RowBytes()) {
        png_error(png, "unexpected row layout after conversion");
    }
    state->pixels.assign(rowBytes * height, 0);
    state->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        state->rows[y] = state->pixels.data() + rowBytes * y;
    }
    png_read_image(png, state->rows.data());
    png_read_end(png, nullptr);

    if (layout == PngRowLayout::Indices) {
        png_colorp palette = nullptr;
        int entries = 0;
        png_get_PLTE(png, info, &palette, &entries);
        // tRNS gives the first entries' alpha; the others are opaque.
        png_bytep alpha = nullptr;
        int alphaEntries = 0;
        if (hasTrns) {
            png_get_tRNS(png, info, &alpha, &alphaEntries, nullptr);
        }
        for (int i = 0; i < entries; ++i) {
            state->palette.push_back(PngPaletteColor{palette[i].red, palette[i].green, palette[i].blue,
                                                     i < alphaEntries ? alpha[i] : png_byte{255}});
        }
        state->builder->SetPalette(state->palette);
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        state->builder->PutRow(static_cast<int>(y), state->rows[y]);
    }
    return true;
}

bool RunDecode(PngState* state)
{
    if (setjmp(png_jmpbuf(state->png)) != 0) {
        return false;
    }
    return DecodeInto(state);
}

struct WriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    FILE* file = nullptr;
    std::string error;
    const PngImage* picture = nullptr;
    // Owned here, not by RunEncode, whose locals a longjmp would skip.
    std::vector<png_color> palette;
    std::vector<uint8_t> row;
};

void OnWriteError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    state->error = message;
    png_longjmp(png, 1);
}

bool RunEncode(WriteState* state)
{
    if (setjmp(png_jmpbuf(state->png)) != 0) {
        return false;
    }
    const PngImage& picture = *state->picture;
    png_init_io(state->png, state->file);
    png_set_IHDR(state->png, state->info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), picture.bits,
                 picture.indexed() ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (picture.indexed()) {
        for (const PALETTEENTRY& e : picture.palette) {
            state->palette.push_back(png_color{e.peRed, e.peGreen, e.peBlue});
        }
        png_set_PLTE(state->png, state->info, state->palette.data(), static_cast<int>(state->palette.size()));
    }
    png_write_info(state->png, state->info);
    for (int y = 0; y < picture.height; ++y) {
        picture.PackRow(y, state->row.data());
        png_write_row(state->png, state->row.data());
    }
    png_write_end(state->png, nullptr);
    return true;
}

}  // namespace

std::string DecodePng(std::span<const uint8_t> file, PackedDib& image, COLORREF background)
{
    if (!HasPngSignature(file)) {
        return "not a PNG file (bad signature)";
    }
    auto state = std::make_unique<PngState>();
    state->file = file;
    state->background = background;
    state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state.get(), OnError, OnWarning);
    if (state->png == nullptr) {
        return "out of memory";
    }
    state->info = png_create_info_struct(state->png);
    bool decoded = false;
    if (state->info == nullptr) {
        state->error = "out of memory";
    } else {
        try {
            decoded = RunDecode(state.get());
        } catch (const std::bad_alloc&) {
            state->error = NotEnoughMemoryFor(state->width, state->height);
            state->refused = true;
        }
    }
    png_destroy_read_struct(&state->png, &state->info, nullptr);
    if (!decoded) {
        return state->refused ? state->error : "invalid PNG: " + state->error;
    }
    image = std::move(state->builder->image());
    return {};
}

std::string WritePng(const std::string& path, const PngImage& picture)
{
    auto state = std::make_unique<WriteState>();
    state->picture = &picture;
    state->row.resize(picture.RowBytes());
    state->file = std::fopen(path.c_str(), "wb");
    if (state->file == nullptr) {
        return std::string("cannot create the file: ") + std::strerror(errno);
    }
    state->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state.get(), OnWriteError, OnWarning);
    bool written = false;
    if (state->png != nullptr) {
        state->info = png_create_info_struct(state->png);
        if (state->info != nullptr) {
            written = RunEncode(state.get());
        }
        png_destroy_write_struct(&state->png, &state->info);
    }
    const bool closed = std::fclose(state->file) == 0;
    if (!written) {
        return "cannot write the PNG: " + (state->error.empty() ? std::string("out of memory") : state->error);
    }
    if (!closed) {
        return std::string("cannot write the file: ") + std::strerror(errno);
    }
    return {};
}

}  // namespace dibtool
