#include "tools/bmp_reader.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/dib_layout.h"
#include "tools/alpha.h"

namespace dibtool {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;
// The same numbers mean other things under an OS/2 2.x header.
constexpr uint32_t kOs2Huffman1D = 3;
constexpr uint32_t kOs2Rle24 = 4;

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
// OS/2 2.x headers: the whole one, and the short form that ends after the
// bit count (no compression, a full colour table of 4-byte entries).
constexpr uint32_t kOs2HeaderBytes = 64;
constexpr uint32_t kOs2ShortHeaderBytes = 16;
// BITMAPV2INFOHEADER and later carry the red, green and blue masks themselves,
// BITMAPV3INFOHEADER and later the alpha mask too.
constexpr uint32_t kHeaderWithMasksBytes = 52;
constexpr uint32_t kHeaderWithAlphaMaskBytes = 56;
// A 32-bit BI_RGB pixel's unused byte, which some writers fill with alpha.
constexpr uint32_t kRgbAlphaMask = 0xFF000000;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

std::string Num(uint64_t value) { return std::to_string(value); }

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string PastEnd(const std::string& what, uint64_t end, size_t fileSize)
{
    return "truncated: the file has " + Num(fileSize) + " bytes, too few for " + what + " (up to byte " + Num(end) + ")";
}

// Everything the headers say, checked.
struct Layout {
    bool core = false;
    int width = 0;
    int height = 0;  // rows, whatever the direction
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[4] = {};  // red, green, blue, alpha; 16- and 32-bit files only
    uint64_t tableOffset = 0;
    uint32_t tableEntries = 0;  // as stored in the file
    uint32_t entryBytes = 4;
    uint64_t pixelOffset = 0;
    uint64_t pixelBytes = 0;  // compressed files: the run-length data
    size_t stride = 0;        // uncompressed files: bytes per stored row
    size_t rowBytes = 0;      // the bytes of a row that hold pixels
};

// The headers' fields as the file stores them, before they are checked.
struct StoredFields {
    uint32_t headerBytes = 0;
    bool os2 = false;
    uint64_t headerEnd = 0;  // from the start of the file
    uint32_t pixelOffset = 0;
    int64_t width = 0;
    int64_t height = 0;  // negative: top-down
    uint32_t planes = 0;
    uint32_t colorsUsed = 0;
};

// The rows as a DIB header, for the library's rules of where they lie.
BITMAPINFOHEADER RowsHeader(const Layout& layout)
{
    BITMAPINFOHEADER rows{};
    rows.biSize = sizeof rows;
    rows.biWidth = layout.width;
    rows.biHeight = layout.height;
    rows.biPlanes = 1;
    rows.biBitCount = static_cast<WORD>(layout.bits);
    return rows;
}

const char* CompressionName(uint32_t compression)
{
    switch (compression) {
    case kBiRle8: return "BI_RLE8";
    case kBiRle4: return "BI_RLE4";
    case kBiBitfields: return "BI_BITFIELDS";
    case kBiAlphaBitfields: return "BI_ALPHABITFIELDS";
    default: return "BI_RGB";
    }
}

// Why a file compressed this way is refused, for the compressions this
// reader knows but does not decode; an empty string otherwise.
std::string RefusedCompression(bool os2, uint32_t compression)
{
    if (os2) {
        switch (compression) {
        case kOs2Huffman1D: return "OS/2 Huffman 1D compression is not supported";
        case kOs2Rle24: return "OS/2 RLE24 compression is not supported";
        default: return {};
        }
    }
    switch (compression) {
    case kBiJpeg: return "a BMP holding JPEG data is not supported";
    case kBiPng: return "a BMP holding PNG data is not supported";
    default: return {};
    }
}

std::string CheckMasks(const uint32_t (&masks)[4], int bits)
{
    for (uint32_t mask : masks) {
        if (bits == 16 && mask > 0xFFFF) {
            return "bit-field mask " + Hex(mask) + " does not fit in 16 bits";
        }
        const uint64_t shifted = mask == 0 ? 0 : uint64_t{mask} >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0) {
            return "bit-field mask " + Hex(mask) + " is not contiguous";
        }
    }
    if ((masks[0] & masks[1]) != 0 || (masks[0] & masks[2]) != 0 || (masks[1] & masks[2]) != 0) {
        return "bit-field masks " + Hex(masks[0]) + ", " + Hex(masks[1]) + ", " + Hex(masks[2]) + " overlap";
    }
    if ((masks[3] & (masks[0] | masks[1] | masks[2])) != 0) {
        return "alpha mask " + Hex(masks[3]) + " overlaps the colour masks";
    }
    if ((masks[0] | masks[1] | masks[2]) == 0) {
        return "bit-field masks are all zero";
    }
    return {};
}

// The signature, the header's size and the fields of the file header and of
// the bitmap header of any size.
std::string ReadHeaderFields(std::span<const uint8_t> file, StoredFields& fields, Layout& layout)
{
    const size_t size = file.size();
    const uint8_t* data = file.data();
    if (size < kFileHeaderBytes + 4) {
        return "truncated: " + Num(size) + " bytes are too few for the BMP headers";
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return "not a BMP file (the signature is not \"BM\")";
    }
    fields.pixelOffset = U32(data + 10);
    fields.headerBytes = U32(data + 14);
    const uint32_t headerBytes = fields.headerBytes;
    if (headerBytes < kCoreHeaderBytes) {
        return "header size " + Num(headerBytes) + " is too small (at least 12)";
    }
    fields.os2 = headerBytes == kOs2HeaderBytes || headerBytes == kOs2ShortHeaderBytes;
    if (headerBytes != kCoreHeaderBytes && headerBytes != kOs2ShortHeaderBytes && headerBytes < kInfoHeaderBytes) {
        return "unsupported header size " + Num(headerBytes);
    }
    fields.headerEnd = kFileHeaderBytes + headerBytes;
    if (fields.headerEnd > size) {
        return PastEnd("the " + Num(headerBytes) + "-byte header", fields.headerEnd, size);
    }
    const uint8_t* h = data + kFileHeaderBytes;
    layout.core = headerBytes == kCoreHeaderBytes;
    if (layout.core) {
        fields.width = U16(h + 4);
        fields.height = U16(h + 6);
        fields.planes = U16(h + 8);
        layout.bits = U16(h + 10);
        layout.entryBytes = 3;
        return {};
    }
    fields.width = static_cast<int32_t>(U32(h + 4));
    fields.height = static_cast<int32_t>(U32(h + 8));
    fields.planes = U16(h + 12);
    layout.bits = U16(h + 14);
    if (headerBytes >= kInfoHeaderBytes) {
        layout.compression = U32(h + 16);
        layout.pixelBytes = U32(h + 20);
        fields.colorsUsed = U32(h + 32);
    }
    return {};
}

// The planes, the image's size, and a bit count and compression this reader
// decodes, in that combination.
std::string CheckFormat(std::span<const uint8_t>, StoredFields& fields, Layout& layout)
{
    if (fields.planes != 1) {
        return "planes is " + Num(fields.planes) + ", not 1";
    }
    // Before the bit count: a JPEG or PNG inside a BMP has bit count 0.
    if (std::string problem = RefusedCompression(fields.os2, layout.compression); !problem.empty()) {
        return problem;
    }
    layout.topDown = fields.height < 0;
    const int64_t rows = layout.topDown ? -fields.height : fields.height;
    if (std::string problem = CheckImageSize(fields.width, rows); !problem.empty()) {
        return problem;
    }
    layout.width = static_cast<int>(fields.width);
    layout.height = static_cast<int>(rows);

    const int bits = layout.bits;
    const bool coreBits = bits == 1 || bits == 4 || bits == 8 || bits == 24;
    if (!(coreBits || (!layout.core && (bits == 16 || bits == 32)))) {
        return "unsupported bit count " + Num(static_cast<uint32_t>(bits));
    }
    switch (layout.compression) {
    case kBiRgb:
        return {};
    case kBiRle8:
    case kBiRle4:
        if (bits != (layout.compression == kBiRle8 ? 8 : 4)) {
            return std::string("compression ") + CompressionName(layout.compression) + " needs " +
                   (layout.compression == kBiRle8 ? "8" : "4") + " bits per pixel, not " + Num(bits);
        }
        return layout.topDown ? "a top-down bitmap cannot be run-length encoded" : "";
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bits != 16 && bits != 32) {
            return std::string("compression ") + CompressionName(layout.compression) +
                   " needs 16 or 32 bits per pixel, not " + Num(bits);
        }
        return {};
    default:
        return "unknown compression " + Num(layout.compression);
    }
}

// The channel masks of 16- and 32-bit files: the defaults, or those the
// header holds or that follow it; the colour table starts after them.
std::string ReadMasks(std::span<const uint8_t> file, StoredFields& fields, Layout& layout)
{
    layout.tableOffset = fields.headerEnd;
    if (layout.bits == 16) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    } else if (layout.bits == 32) {
        layout.masks[0] = 0x00FF0000;
        layout.masks[1] = 0x0000FF00;
        layout.masks[2] = 0x000000FF;
        layout.masks[3] = layout.compression == kBiRgb ? kRgbAlphaMask : 0;
    }
    if (layout.compression != kBiBitfields && layout.compression != kBiAlphaBitfields) {
        return {};
    }
    const uint8_t* h = file.data() + kFileHeaderBytes;
    const uint8_t* masks = h + kInfoHeaderBytes;
    if (fields.headerBytes < kHeaderWithMasksBytes) {
        const uint64_t masksEnd = fields.headerEnd + (layout.compression == kBiAlphaBitfields ? 16 : 12);
        if (masksEnd > file.size()) {
            return PastEnd("the bit-field masks", masksEnd, file.size());
        }
        masks = file.data() + fields.headerEnd;
        layout.tableOffset = masksEnd;
    }
    for (int channel = 0; channel < 3; ++channel) {
        layout.masks[channel] = U32(masks + 4 * channel);
    }
    if (fields.headerBytes >= kHeaderWithAlphaMaskBytes) {
        layout.masks[3] = U32(h + kHeaderWithMasksBytes);
    } else if (layout.compression == kBiAlphaBitfields && fields.headerBytes < kHeaderWithMasksBytes) {
        layout.masks[3] = U32(masks + 12);
    }
    return CheckMasks(layout.masks, layout.bits);
}

uint64_t TableEnd(const Layout& layout)
{
    return layout.tableOffset + uint64_t{layout.entryBytes} * layout.tableEntries;
}

// How many colour-table entries the file holds, and that they are all there.
std::string LocateColorTable(std::span<const uint8_t> file, StoredFields& fields, Layout& layout)
{
    const size_t fileSize = file.size();
    const auto fullTable = static_cast<uint32_t>(dibdraw::ColorCount(RowsHeader(layout)));
    if (layout.core) {
        layout.tableEntries = fullTable;
        // Some writers of the old header store fewer entries than 2^bits; the
        // pixel offset then says how many there are.
        if (fields.pixelOffset >= layout.tableOffset && (fields.pixelOffset - layout.tableOffset) / 3 < fullTable) {
            layout.tableEntries = static_cast<uint32_t>((fields.pixelOffset - layout.tableOffset) / 3);
        }
    } else if (layout.bits <= 8) {
        if (fields.colorsUsed > fullTable) {
            return "colour count " + Num(fields.colorsUsed) + " is more than the " + Num(fullTable) +
                   " colours a bit count of " + Num(layout.bits) + " allows";
        }
        layout.tableEntries = fields.colorsUsed == 0 ? fullTable : fields.colorsUsed;
    } else {
        layout.tableEntries = fields.colorsUsed;  // an optional palette, not used
    }
    if (const uint64_t tableEnd = TableEnd(layout); tableEnd > fileSize) {
        return PastEnd("the colour table of " + Num(layout.tableEntries) + " entries", tableEnd, fileSize);
    }
    return {};
}

// Where the pixels start, after the colour table, and that every pixel is
// there: the run-length data, or each row (the last row's padding may be
// missing) by the library's rules of row length.
std::string LocatePixels(std::span<const uint8_t> file, StoredFields& fields, Layout& layout)
{
    const size_t fileSize = file.size();
    const uint64_t tableEnd = TableEnd(layout);
    const uint64_t pixelOffset = fields.pixelOffset;
    layout.pixelOffset = pixelOffset;
    if (pixelOffset < tableEnd) {
        return "pixel data offset " + Num(pixelOffset) + " lies within the headers and colour table (they end at byte " +
               Num(tableEnd) + ")";
    }
    if (pixelOffset > fileSize) {
        return "truncated: pixel data offset " + Num(pixelOffset) + " is beyond the end of the file (" +
               Num(fileSize) + " bytes)";
    }
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        if (layout.pixelBytes == 0) {
            layout.pixelBytes = fileSize - pixelOffset;
        }
        if (pixelOffset + layout.pixelBytes > fileSize) {
            return PastEnd("the compressed pixel data of " + Num(layout.pixelBytes) + " bytes",
                           pixelOffset + layout.pixelBytes, fileSize);
        }
        return {};
    }
    const BITMAPINFOHEADER rows = RowsHeader(layout);
    layout.stride = static_cast<size_t>(dibdraw::RowStride(rows));
    layout.rowBytes = static_cast<size_t>(dibdraw::CopiedBytes(layout.bits, 0, layout.width).length);
    layout.pixelBytes = uint64_t{layout.stride} * static_cast<uint64_t>(layout.height - 1) + layout.rowBytes;
    if (pixelOffset + layout.pixelBytes > fileSize) {
        return PastEnd("the pixel data of " + Num(layout.height) + " rows of " + Num(layout.stride) + " bytes",
                       pixelOffset + layout.pixelBytes, fileSize);
    }
    return {};
}

std::string ReadLayout(std::span<const uint8_t> file, Layout& layout)
{
    using Step = std::string (*)(std::span<const uint8_t> file, StoredFields& fields, Layout& layout);
    StoredFields fields;
    for (const Step step : {ReadHeaderFields, CheckFormat, ReadMasks, LocateColorTable, LocatePixels}) {
        if (std::string problem = step(file, fields, layout); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

// The reserved byte of a stored colour is not kept: writers fill it with
// anything (Pillow stores 255 for white), and the library would take 255 in
// a 1-bit image as a transparent colour. Transparency comes from the command
// line only.
void CopyColorTable(std::span<const uint8_t> file, const Layout& layout, PackedDib& image)
{
    const uint8_t* entry = file.data() + layout.tableOffset;
    for (uint32_t i = 0; i < layout.tableEntries && i < static_cast<uint32_t>(image.colorCount()); ++i) {
        image.colors()[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        entry += layout.entryBytes;
    }
}

// File row r (in file order) holds image row r from the top in top-down
// files and from the bottom otherwise.
int StoredIndex(const Layout& layout, int fileRow) { return layout.topDown ? layout.height - 1 - fileRow : fileRow; }

void CopyRows(std::span<const uint8_t> file, const Layout& layout, PackedDib& image)
{
    for (int r = 0; r < layout.height; ++r) {
        std::memcpy(image.StoredRow(StoredIndex(layout, r)),
                    file.data() + layout.pixelOffset + static_cast<size_t>(r) * layout.stride, layout.rowBytes);
    }
}

// One channel of a masked pixel, rescaled from the mask's width to 0..255.
struct Channel {
    uint32_t mask;
    int shift;
    uint64_t maximum;

    explicit Channel(uint32_t m)
        : mask(m), shift(m == 0 ? 0 : std::countr_zero(m)), maximum(m == 0 ? 0 : uint64_t{m} >> shift) {}
    uint32_t Value(uint32_t pixel) const
    {
        if (maximum == 0) {
            return 0;
        }
        return static_cast<uint32_t>((((pixel & mask) >> shift) * uint64_t{255} + maximum / 2) / maximum);
    }
};

// Whether any pixel has alpha bits set: a file whose alpha is zero
// everywhere was written by a program that left the bits unused, and is
// opaque rather than invisible.
bool UsesAlpha(std::span<const uint8_t> file, const Layout& layout)
{
    if (layout.masks[3] == 0) {
        return false;
    }
    const size_t pixelBytes = static_cast<size_t>(layout.bits / 8);
    for (int r = 0; r < layout.height; ++r) {
        const uint8_t* in = file.data() + layout.pixelOffset + static_cast<size_t>(r) * layout.stride;
        for (int x = 0; x < layout.width; ++x, in += pixelBytes) {
            if (((pixelBytes == 2 ? U16(in) : U32(in)) & layout.masks[3]) != 0) {
                return true;
            }
        }
    }
    return false;
}

// With kComposite, each pixel is composited over `background` by its alpha.
template <bool kComposite>
void ConvertMaskedRows(std::span<const uint8_t> file, const Layout& layout, COLORREF background, PackedDib& image)
{
    const Channel red(layout.masks[0]);
    const Channel green(layout.masks[1]);
    const Channel blue(layout.masks[2]);
    const Channel alpha(layout.masks[3]);
    const size_t pixelBytes = static_cast<size_t>(layout.bits / 8);
    for (int r = 0; r < layout.height; ++r) {
        const uint8_t* in = file.data() + layout.pixelOffset + static_cast<size_t>(r) * layout.stride;
        uint8_t* out = image.StoredRow(StoredIndex(layout, r));
        for (int x = 0; x < layout.width; ++x, in += pixelBytes, out += 3) {
            const uint32_t pixel = pixelBytes == 2 ? U16(in) : U32(in);
            if constexpr (kComposite) {
                const uint32_t a = alpha.Value(pixel);
                out[0] = Over(a, blue.Value(pixel), GetBValue(background));
                out[1] = Over(a, green.Value(pixel), GetGValue(background));
                out[2] = Over(a, red.Value(pixel), GetRValue(background));
            } else {
                out[0] = static_cast<uint8_t>(blue.Value(pixel));
                out[1] = static_cast<uint8_t>(green.Value(pixel));
                out[2] = static_cast<uint8_t>(red.Value(pixel));
            }
        }
    }
}

// Expands BI_RLE8 or BI_RLE4 data. Pixels the data skips (by deltas or short
// rows) keep index 0; pixels beyond the right edge and rows beyond the top
// are dropped. Data ending without an end-of-bitmap mark ends the image.
std::string DecodeRunLength(std::span<const uint8_t> file, const Layout& layout, PackedDib& image)
{
    const bool rle8 = layout.compression == kBiRle8;
    const uint8_t* data = file.data() + layout.pixelOffset;
    const uint64_t size = layout.pixelBytes;
    const int64_t width = layout.width;
    int64_t x = 0;
    int64_t y = 0;  // 0 = bottom row
    auto put = [&](uint32_t index) {
        if (x < width && y < layout.height) {
            PutIndex(image.StoredRow(static_cast<int>(y)), static_cast<int>(x), layout.bits, index);
        }
        ++x;
    };
    auto broken = [&](uint64_t at) {
        return "truncated: the run-length data ends inside the code at byte " + Num(layout.pixelOffset + at);
    };
    uint64_t pos = 0;
    while (pos < size && y < layout.height) {
        if (pos + 2 > size) {
            return broken(pos);
        }
        const uint32_t count = data[pos];
        const uint32_t value = data[pos + 1];
        const uint64_t code = pos;
        pos += 2;
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < width; ++i) {
                put(rle8 ? value : (i & 1) != 0 ? value & 15 : value >> 4);
            }
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of bitmap
            return {};
        case 2:  // delta
            if (pos + 2 > size) {
                return broken(code);
            }
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
            break;
        default: {  // absolute run, padded to a 16-bit boundary
            const uint64_t bytes = rle8 ? value : (value + 1) / 2;
            if (pos + bytes > size) {
                return broken(code);
            }
            for (uint32_t i = 0; i < value && x < width; ++i) {
                const uint8_t byte = data[pos + (rle8 ? i : i / 2)];
                put(rle8 ? byte : (i & 1) != 0 ? byte & 15 : byte >> 4);
            }
            pos += bytes + (bytes & 1);
            break;
        }
        }
    }
    return {};
}

}  // namespace

std::string DecodeBmp(std::span<const uint8_t> file, PackedDib& image, COLORREF background)
{
    Layout layout;
    if (std::string problem = ReadLayout(file, layout); !problem.empty()) {
        return problem;
    }
    const bool masked = layout.bits == 16 || layout.bits == 32;
    PackedDib decoded;
    try {
        decoded = PackedDib(layout.width, layout.height, masked ? 24 : layout.bits);
    } catch (const std::bad_alloc&) {
        return NotEnoughMemoryFor(layout.width, layout.height);
    }
    CopyColorTable(file, layout, decoded);
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        if (std::string problem = DecodeRunLength(file, layout, decoded); !problem.empty()) {
            return problem;
        }
    } else if (masked && UsesAlpha(file, layout)) {
        ConvertMaskedRows<true>(file, layout, background, decoded);
    } else if (masked) {
        ConvertMaskedRows<false>(file, layout, background, decoded);
    } else {
        CopyRows(file, layout, decoded);
    }
    image = std::move(decoded);
    return {};
}

}  // namespace dibtool
