// VyrBlit: clip, prepare the display, then walk the destination rows that can
// show, copying, scaling and converting the source row each shows, and
// collecting the results in bands.
#include <algorithm>
#include <cstring>

#include "blitter/band.h"
#include "blitter/pipeline.h"
#include "blitter/scalers.h"
#include "blitter/selection.h"
#include "blitter/visible_part.h"
#include "convert/byte_pairs.h"
#include "convert/kernels.h"
#include "convert/registry.h"
#include "core/dib_layout.h"
#include "core/heap.h"
#include "core/modes.h"
#include "core/probes.h"

namespace dibdraw {

namespace {

// Asks for `count` bytes ahead of their use, into the second-level cache
// only: in the first they would push out the band and the converters'
// tables.
void PrefetchBytes(const uint8_t* bytes, int64_t count)
{
    constexpr int kReadOnly = 0;
    constexpr int kSecondLevel = 2;
    for (int64_t k = 0; k < count; k += 64) {
        __builtin_prefetch(bytes + k, kReadOnly, kSecondLevel);
    }
}

// Where the rows of one blit come from and how one row is copied: the
// columns that the visible part needs, from `copied.offset` of each row.
struct SourceRows {
    const uint8_t* rows;  // first row in memory: the bottom of the image
    int64_t stride;       // bytes per row, a multiple of 4
    int64_t height;       // rows in the bitmap
    RowBytes copied;      // all within the row
    int64_t bufferBytes;  // size of m_srcRow
    bool shiftNibble;     // 4-bit source starting on an odd pixel
    bool readInPlace;     // rows are read where they lie, not copied to m_srcRow

    const uint8_t* Row(int64_t y) const { return rows + (height - 1 - y) * stride + copied.offset; }

    // Asks for row y's copied bytes ahead of their use. Rows are walked
    // downward through a bottom-up bitmap, so each one lies below the last
    // in memory, where the processor's own prefetching does not look.
    void Prefetch(int64_t y) const { PrefetchBytes(Row(y), copied.length); }
};

// How the destination rows are walked: which source row each shows, and how
// it is scaled (no scaler for a blit of equal sizes).
struct RowWalk {
    SourceRows source;
    int64_t srcTop;
    int64_t srcH;
    int64_t dstH;
    SpanScaler scaler;
    ScaleSpan span;
    int32_t bitOffset;
    int64_t sentOffset;  // bytes of the converted row left of the sent columns
    bool reusesRepeatedRows;  // a row repeated by scaling is converted once
    // A repeated row converts to the bytes of the row before: rows are
    // reused, or the converter does not dither.
    bool copiesRepeatedRows;
    // Sent rows are converted in their band slot, where a row repeated by
    // scaling is copied from the one before (copiesRepeatedRows) or
    // converted anew; the converter writes the first `rowBytes` of the band
    // stride.
    bool convertsInBand;
    int64_t rowBytes;
    // Such rows, read where they lie with whole bytes a pixel, by a converter
    // that treats each pixel alone, are converted in pieces that start on a
    // byte of the band (ConvertInPieces); srcPixelBytes is a pixel's bytes in
    // the source row, bandPixelBits its bits in the band.
    bool convertsInPieces;
    int32_t srcPixelBytes;
    int32_t bandPixelBits;
    // The colour map's pair table, which then converts in place of the
    // converter (BytePairTable); null for none.
    const uint16_t* bytePairs;
};

// Converts `count` pixels of one row.
void ConvertRow(VyrBlitter* blitter, const RowWalk& walk, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if (walk.bytePairs != nullptr) {
        MapBytePairs(src, dst, count, walk.bytePairs);
    } else {
        blitter->m_convert(blitter, src, dst, count);
    }
}

// How far ahead of its conversion a source row is prefetched: one row ahead
// measured 3 to 9% faster from cold caches than none, two rows 17 to 38%,
// four no better than two.
constexpr int64_t kRowsPrefetched = 2;

// The source bytes of a piece: 24 cache lines, about as many misses as a
// core keeps in flight (512 24-bit pixels). Pieces of 512 pixels of an 8-bit
// source, 8 lines, ran the mapped blit 8 % slower at 4096 x 4096.
constexpr int32_t kPieceBytes = 1536;

// Whole source bytes a pixel, and pieces whose pixels fill whole bytes of the
// band, so that each piece starts on a byte of both rows.
bool PiecesStartOnBytes(const RowWalk& walk)
{
    return walk.srcPixelBytes > 0 && kPieceBytes / walk.srcPixelBytes * walk.bandPixelBits % 8 == 0;
}

// Converts `count` pixels of a source row into its band slot a piece at a
// time, each after asking for the same piece of the row `ahead` (null:
// none). Asked for all at once, a row's cache lines beyond those a core
// keeps in flight wait to be issued, and nothing is converted meanwhile;
// piece by piece, each piece's requests go out while the one before is
// converted. From cold caches the unscaled 24-bit blit ran 25 % faster at
// 4096 x 4096 and 15 to 25 % at 1920 x 1080 (with SSE2 50 % at
// 4096 x 4096) than after prefetching the whole row.
void ConvertInPieces(VyrBlitter* blitter, const RowWalk& walk, const uint8_t* src, uint8_t* dst, int32_t count,
                     const uint8_t* ahead)
{
    const int32_t piecePixels = kPieceBytes / walk.srcPixelBytes;
    for (int32_t at = 0; at < count; at += piecePixels) {
        const int32_t pixels = std::min(piecePixels, count - at);
        const int64_t srcOffset = int64_t{at} * walk.srcPixelBytes;
        if (ahead != nullptr) {
            PrefetchBytes(ahead + srcOffset, int64_t{pixels} * walk.srcPixelBytes);
        }
        ConvertRow(blitter, walk, src + srcOffset, dst + int64_t{at} * walk.bandPixelBits / 8, pixels);
    }
}

bool FitsBlock(int64_t bytes)
{
    return bytes >= 0 && bytes <= UINT32_MAX;
}

// Allocates a zeroed per-blit buffer; false when that is impossible.
bool AllocZeroed(uint8_t*& buffer, int64_t bytes)
{
    if (!FitsBlock(bytes) || (buffer = AllocBlock(static_cast<uint32_t>(bytes))) == nullptr) {
        return false;
    }
    std::memset(buffer, 0, static_cast<size_t>(bytes));
    return true;
}

// Image row y with its first copied pixel at the start (or, for 1-bit rows,
// standing at m_srcBitOffset): the row itself where it can be read in place,
// otherwise a copy in m_srcRow.
const uint8_t* SourceRow(VyrBlitter* blitter, const SourceRows& source, int64_t y)
{
    if (source.readInPlace) {
        return source.Row(y);
    }
    uint8_t* row = blitter->m_srcRow;
    const auto length = static_cast<size_t>(source.copied.length);
    std::memcpy(row, source.Row(y), length);
    if (source.shiftNibble) {
        for (size_t k = 0; k + 1 < length; ++k) {
            row[k] = static_cast<uint8_t>((row[k] << 4) | (row[k + 1] >> 4));
        }
        row[length - 1] = static_cast<uint8_t>(row[length - 1] << 4);
    }
    return row;
}

bool IsWhite(const RGBQUAD& color)
{
    return color.rgbRed == 255 && color.rgbGreen == 255 && color.rgbBlue == 255;
}

// Rewrites a transparent colour of a 1-bit image so that one raster operation
// leaves the background showing through it. Returns false when both colours
// are transparent and nothing is to be drawn.
bool ApplyTransparency(VyrBlitter* blitter, const RGBQUAD* table)
{
    const bool clear0 = table[0].rgbReserved == 255;
    const bool clear1 = table[1].rgbReserved == 255;
    if (clear0 && clear1) {
        return false;
    }
    if (clear0 || clear1) {
        const int transparent = clear0 ? 0 : 1;
        const bool opaqueIsWhite = IsWhite(table[1 - transparent]);
        uint8_t* triple = blitter->m_imagePalette + 3 * transparent;
        std::memset(triple, opaqueIsWhite ? 0 : 255, 3);
        blitter->m_rop = opaqueIsWhite ? SRCPAINT : SRCAND;
    }
    return true;
}

void ProbeMonoColors(VyrBlitter* blitter)
{
    for (int k = 0; k < 2; ++k) {
        uint32_t pixel = 0;
        const uint8_t* color = blitter->m_imagePalette + 3 * k;
        ReadBackDisplayPixel(color[0], color[1], color[2], &pixel);
        (k == 0 ? blitter->m_monoColor0 : blitter->m_monoColor1) = pixel;
    }
}

void ReleaseBlitBuffers(VyrBlitter* blitter)
{
    FreeBlock(blitter->m_srcRow);
    FreeBlock(blitter->m_stretchRow);
    FreeBlock(blitter->m_outRow);
    FreeBlock(blitter->m_imagePalette);
    FreeBlock(blitter->m_bandBits);
    FreeBlock(blitter->m_bandInfo);
}

// The 256-level ramp from colour 0 to colour 1 of a 1-bit image, drawn as an
// 8-bit source on the grey path.
short BuildGreyRamp(VyrBlitter* blitter, const RGBQUAD* table)
{
    FreeBlock(blitter->m_imagePalette);
    blitter->m_imagePalette = AllocBlock(768);
    if (blitter->m_imagePalette == nullptr) {
        return kBlitNoMemory;
    }
    const int from[3] = {table[0].rgbRed, table[0].rgbGreen, table[0].rgbBlue};
    const int to[3] = {table[1].rgbRed, table[1].rgbGreen, table[1].rgbBlue};
    for (int k = 0; k < 256; ++k) {
        for (int c = 0; c < 3; ++c) {
            blitter->m_imagePalette[3 * k + c] = static_cast<uint8_t>((k * to[c] + (255 - k) * from[c]) / 255);
        }
    }
    return kBlitOk;
}

// A reduced opaque 1-bit image is drawn as grey levels through a ramp between
// its two colours, by the converter for 8-bit sources.
ConverterChoice PrepareGreyPath(VyrBlitter* blitter, HDC dc, const RGBQUAD* table)
{
    if (BuildGreyRamp(blitter, table) != kBlitOk) {
        return {kBlitNoMemory, nullptr};
    }
    if (blitter->m_displayDepth == 8 && blitter->m_logPalette != nullptr) {
        // Forces the palette tracking to rebuild the colour map for the ramp.
        std::memset(blitter->m_logPalette->palPalEntry, 0, 256 * sizeof(PALETTEENTRY));
    }
    return PrepareDisplayFor(blitter, dc, 8);
}

// Copies the colour table into m_imagePalette as red, green, blue triples;
// false when the copy cannot be allocated.
bool CopyImagePalette(VyrBlitter* blitter, const RGBQUAD* table, int colors)
{
    if (colors == 0) {
        return true;
    }
    blitter->m_imagePalette = AllocBlock(static_cast<uint32_t>(3 * colors));
    if (blitter->m_imagePalette == nullptr) {
        return false;
    }
    for (int i = 0; i < colors; ++i) {
        blitter->m_imagePalette[3 * i] = table[i].rgbRed;
        blitter->m_imagePalette[3 * i + 1] = table[i].rgbGreen;
        blitter->m_imagePalette[3 * i + 2] = table[i].rgbBlue;
    }
    return true;
}

// Chooses the converter and brings the display palette up to date. The two
// colours of a 1-bit image are read back before the grey path replaces them
// with its ramp.
ConverterChoice PrepareConverter(VyrBlitter* blitter, HDC dc, const RGBQUAD* table, int bits, bool greyPath)
{
    ConverterChoice choice;
    if (!greyPath) {
        choice = PrepareDisplayFor(blitter, dc, bits);
        if (choice.result != kBlitOk) {
            return choice;
        }
    }
    if (bits == 1) {
        ProbeMonoColors(blitter);
    }
    return greyPath ? PrepareGreyPath(blitter, dc, table) : choice;
}

struct ScalerChoice {
    StretchFn whole;
    SpanScaler span;
};

ScalerChoice ChooseScaler(int bits, bool greyPath)
{
    switch (bits) {
    case 1:
        return greyPath ? ScalerChoice{Shrink1ToGray, Shrink1ToGraySpan} : ScalerChoice{Stretch1, Stretch1Span};
    case 4:
        return {Stretch4, Stretch4Span};
    case 8:
        return {Stretch8, Stretch8Span};
    default:
        return {Stretch24, Stretch24Span};
    }
}

// Destination row j shows source row srcTop + floor(j * srcH / dstH). Rows
// before the first sent one are converted only for the errors they carry.
// In dither mode 1 a row repeated by vertical enlargement is converted once;
// otherwise every row is converted anew, so that dithering sees its
// m_rowCounter.
// A sent row whose converter writes only its row is converted in its band
// slot instead, and a repeated one, where converting it again gives the same
// bytes, copied from the row before: the band buffer keeps its rows after
// they went out, so that row is still there when it was the last of the
// previous band.
void WalkRows(VyrBlitter* blitter, HDC dc, const RowWalk& walk, const VisiblePart& part)
{
    const uint8_t* converted = nullptr;
    const uint8_t* sent = blitter->m_outRow + walk.sentOffset;
    const uint8_t* lastInBand = nullptr;
    const auto padding = static_cast<size_t>(blitter->m_bandStride - walk.rowBytes);
    int64_t copiedRow = -1;
    for (int32_t j = part.firstRow; j < part.endRow; ++j) {
        const int64_t y = walk.srcTop + j * walk.srcH / walk.dstH;
        const bool freshRow = y != copiedRow;
        const bool inPieces = walk.convertsInPieces && j >= part.firstSentRow;
        const bool prefetches = y + kRowsPrefetched < walk.srcTop + walk.srcH;
        if (freshRow) {
            if (prefetches && !inPieces) {
                walk.source.Prefetch(y + kRowsPrefetched);
            }
            converted = SourceRow(blitter, walk.source, y);
            if (walk.scaler != nullptr) {
                walk.scaler(converted, blitter->m_stretchRow, walk.span, walk.bitOffset);
                converted = blitter->m_stretchRow;
            }
            copiedRow = y;
        }
        blitter->m_rowCounter = j;
        if (walk.convertsInBand && j >= part.firstSentRow) {
            uint8_t* row = NextBandRow(blitter);
            if (freshRow || !walk.copiesRepeatedRows || lastInBand == nullptr) {
                std::memset(row + walk.rowBytes, 0, padding);
                const int32_t count = part.ConvertedEnd(j) - part.firstColumn;
                if (inPieces) {
                    ConvertInPieces(blitter, walk, converted, row, count,
                                    prefetches ? walk.source.Row(y + kRowsPrefetched) : nullptr);
                } else {
                    ConvertRow(blitter, walk, converted, row, count);
                }
            } else if (row != lastInBand) {
                ActiveKernels().copyBytes(lastInBand, row, blitter->m_bandStride);
            }
            lastInBand = row;
            CommitBandRow(blitter, dc);
            continue;
        }
        if (freshRow || !walk.reusesRepeatedRows) {
            ConvertRow(blitter, walk, converted, blitter->m_outRow, part.ConvertedEnd(j) - part.firstColumn);
        }
        if (j >= part.firstSentRow) {
            AddBandRow(blitter, dc, sent);
        }
    }
}

// The source columns the visible part reads and how each row is copied.
SourceRows LocateSourceRows(VyrBlitter* blitter, const BITMAPINFOHEADER& bitmap, int64_t left, int64_t count)
{
    const int bits = bitmap.biBitCount;
    SourceRows source = {};
    source.rows = reinterpret_cast<const uint8_t*>(&bitmap) + RowsOffset(bitmap);
    source.stride = RowStride(bitmap);
    source.height = bitmap.biHeight;
    source.copied = CopiedBytes(bits, left, count);
    source.shiftNibble = bits == 4 && (left & 1) != 0;
    blitter->m_srcBitOffset = bits == 1 ? static_cast<int32_t>(left % 8) : 0;
    // A 1-bit row has a spare byte: Blit1To1 reads whole 16-bit words.
    source.bufferBytes = bits == 1 ? (count + 7) / 8 + 1 : source.copied.length;
    // The converters and scalers read exactly the pixels they are given,
    // except Blit1To1's word reads, so only 1-bit and shifted 4-bit rows
    // need the copy.
    source.readInPlace = bits != 1 && !source.shiftNibble;
    return source;
}

// The sizes of one blit after clipping; a blit with an empty side draws
// nothing.
struct BlitSizes {
    int32_t srcW;
    int64_t srcH;
    int32_t dstW;
    int32_t dstH;
};

bool SizesOf(const RECT& src, const RECT& dst, BlitSizes& sizes)
{
    const int64_t srcW = static_cast<int64_t>(src.right) - src.left;
    const int64_t srcH = static_cast<int64_t>(src.bottom) - src.top;
    const int64_t dstW = static_cast<int64_t>(dst.right) - dst.left;
    const int64_t dstH = static_cast<int64_t>(dst.bottom) - dst.top;
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0 || dstW > INT32_MAX || dstH > INT32_MAX) {
        return false;
    }
    sizes = {static_cast<int32_t>(srcW), srcH, static_cast<int32_t>(dstW), static_cast<int32_t>(dstH)};
    return true;
}

// Copies the colour table into the object and applies the transparency rule
// of 1-bit images, which sets m_rop. `draws` turns false when both colours
// of a 1-bit image are transparent.
short LoadColorTable(VyrBlitter* blitter, const BITMAPINFOHEADER& bitmap, const RGBQUAD* table, bool& draws)
{
    if (!CopyImagePalette(blitter, table, static_cast<int>(ColorCount(bitmap)))) {
        return kBlitNoMemory;
    }
    blitter->m_rop = SRCCOPY;
    draws = bitmap.biBitCount != 1 || ApplyTransparency(blitter, table);
    if (!draws) {
        FreeBlock(blitter->m_imagePalette);
    }
    return kBlitOk;
}

// Allocates the row buffers for the visible part and begins the band, and
// lays out how the rows are walked: the source columns that part reads and
// the scaler, if the sizes differ.
short SetUpRows(VyrBlitter* blitter, const BITMAPINFOHEADER& bitmap, const RECT& src, const RECT& dst,
                const BlitSizes& sizes, const VisiblePart& part, bool greyPath, RowWalk& walk)
{
    const int bits = bitmap.biBitCount;
    const int bandBits = BandBitCount(blitter->m_displayDepth);
    const int64_t widest = part.WidestRow();
    FreeBlock(blitter->m_errorRow);
    if (!AllocZeroed(blitter->m_errorRow, 6 * widest) ||
        !AllocZeroed(blitter->m_outRow, (widest + 4) * ((blitter->m_displayDepth + 7) / 8))) {
        return kBlitNoMemory;
    }

    const bool scaled = sizes.srcW != sizes.dstW || sizes.srcH != sizes.dstH;
    const ScaleSpan span = {sizes.srcW, sizes.dstW, part.firstColumn, static_cast<int32_t>(widest)};
    const SourceRange columns = scaled ? SpanSource(span, greyPath) : SourceRange{span.first, span.first + widest};
    walk.source = LocateSourceRows(blitter, bitmap, src.left + columns.begin, columns.end - columns.begin);
    walk.srcTop = src.top;
    walk.srcH = sizes.srcH;
    walk.dstH = sizes.dstH;
    walk.span = span;
    walk.sentOffset = int64_t{part.firstSentColumn - part.firstColumn} * bandBits / 8;
    const RECT sent = {dst.left + part.firstSentColumn, dst.top, dst.left + part.endColumn, dst.bottom};
    if (!AllocZeroed(blitter->m_srcRow, walk.source.bufferBytes) || BeginBand(blitter, &sent) != kBlitOk) {
        return kBlitNoMemory;
    }
    if (scaled) {
        const ScalerChoice scaler = ChooseScaler(bits, greyPath);
        if (!AllocZeroed(blitter->m_stretchRow, greyPath ? widest : ScaledRowBytes(widest, bits))) {
            return kBlitNoMemory;
        }
        blitter->m_stretch = scaler.whole;
        walk.scaler = scaler.span;
        // The scaled row always starts at bit 0.
        walk.bitOffset = blitter->m_srcBitOffset;
        blitter->m_srcBitOffset = 0;
    }
    return kBlitOk;
}

// Whether a blit maps its bytes through a table of byte pairs in place of
// its converter: where the converter maps bytes, the kernel set maps them
// faster in pairs, and the blit converts enough of them to pay for
// building the table, which writes 128 KB.
bool MapsThroughBytePairs(const ConverterEntry& converter, int64_t convertedBytes)
{
    constexpr int64_t kWorthFromBytes = 256 * 1024;
    return converter.mapsBytes && ActiveKernels().mapsBytePairsFaster && convertedBytes >= kWorthFromBytes;
}

// The colour map's pair table of one blit, released when the blit ends.
class BytePairTable {
public:
    BytePairTable() = default;
    ~BytePairTable() { FreeBlock(m_pairs); }
    BytePairTable(const BytePairTable&) = delete;
    BytePairTable& operator=(const BytePairTable&) = delete;

    // False when there is no memory for it.
    bool Build(const uint8_t* colorMap)
    {
        m_pairs = AllocBlock<uint16_t>(kBytePairEntries * sizeof(uint16_t));
        if (m_pairs == nullptr) {
            return false;
        }
        BuildBytePairMap(colorMap, m_pairs);
        return true;
    }

    const uint16_t* pairs() const { return m_pairs; }

private:
    uint16_t* m_pairs = nullptr;
};

// Draws the part of the destination that can show, if any: its rows go out
// in full bands of m_bandRows rows and a last partial one.
short DrawVisiblePart(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER& bitmap, const RECT& src, const RECT& dst,
                      const BlitSizes& sizes, bool greyPath, const ConverterEntry& converter, BlitTrace& trace)
{
    const VisiblePart part =
        FindVisiblePart(dc, dst, sizes.dstW, sizes.dstH, ReachOf(converter, blitter->m_ditherColsMod),
                        BandBitCount(blitter->m_displayDepth));
    if (part.Empty()) {
        return kBlitOk;
    }
    RowWalk walk = {};
    BytePairTable bytePairs;
    short result = SetUpRows(blitter, bitmap, src, dst, sizes, part, greyPath, walk);
    const int64_t convertedBytes = int64_t{part.endRow - part.firstRow} * part.WidestRow();
    if (result == kBlitOk && MapsThroughBytePairs(converter, convertedBytes)) {
        result = bytePairs.Build(blitter->m_colorMap) ? kBlitOk : kBlitNoMemory;
    }
    if (result == kBlitOk) {
        walk.reusesRepeatedRows = ReusesRepeatedRows(blitter->m_ditherMode);
        walk.copiesRepeatedRows = walk.reusesRepeatedRows || !converter.DependsOnMode();
        const int bandBits = BandBitCount(blitter->m_displayDepth);
        walk.rowBytes = ((int64_t{part.endColumn} - part.firstSentColumn) * bandBits + 7) / 8;
        walk.convertsInBand = converter.writesOnlyItsRow && !part.diffused &&
                              part.firstSentColumn == part.firstColumn;
        walk.srcPixelBytes = bitmap.biBitCount / 8;
        walk.bandPixelBits = bandBits;
        walk.convertsInPieces = walk.convertsInBand && walk.scaler == nullptr && walk.source.readInPlace &&
                                ReachOf(converter, blitter->m_ditherColsMod).columnPeriod == 1 &&
                                PiecesStartOnBytes(walk);
        walk.bytePairs = bytePairs.pairs();
        WalkRows(blitter, dc, walk, part);
        EndBand(blitter, dc);
        const int64_t sentRows = int64_t{part.endRow} - part.firstSentRow;
        trace.bands = static_cast<uint32_t>((sentRows + blitter->m_bandRows - 1) / blitter->m_bandRows);
    }
    return result;
}

// Draws the clipped source rectangle `src` of a bitmap into `dst`: the
// colour table, the display and its converter, the part of the destination
// that can show, the rows, and the walk over them.
short DrawClipped(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER& bitmap, const RECT& src,
                  const RECT& dst, BlitTrace& trace)
{
    BlitSizes sizes = {};
    if (!SizesOf(src, dst, sizes)) {
        return kBlitOk;
    }
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(&bitmap) + bitmap.biSize);
    bool draws = true;
    if (const short loaded = LoadColorTable(blitter, bitmap, table, draws); loaded != kBlitOk || !draws) {
        return loaded;
    }

    const bool greyPath = bitmap.biBitCount == 1 && blitter->m_rop == SRCCOPY && sizes.srcW > sizes.dstW;
    const ConverterChoice choice = PrepareConverter(blitter, dc, table, bitmap.biBitCount, greyPath);
    short result = choice.result;
    if (result == kBlitOk) {
        result = DrawVisiblePart(blitter, dc, bitmap, src, dst, sizes, greyPath, *choice.converter, trace);
    }
    ReleaseBlitBuffers(blitter);
    return result;
}

}  // namespace

short BlitChecked(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                  RECT* dstRect, BlitTrace& trace)
{
    trace = {};
    if (!BlitFits(bitmap, dibBytes, *srcRect)) {
        return kBlitUnsupported;
    }
    if (!ClipSource(*bitmap, *srcRect)) {
        return kBlitOk;
    }
    return DrawClipped(blitter, dc, *bitmap, *srcRect, *dstRect, trace);
}

}  // namespace dibdraw

using namespace dibdraw;

short VyrBlitter::VyrBlit(HWND window, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect)
{
    HDC dc = GetDC(window);
    const short result = VyrBlit(dc, bitmap, srcRect, dstRect);
    ReleaseDC(window, dc);
    return result;
}

short VyrBlitter::VyrBlit(HDC dc, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect)
{
    if (bitmap->biPlanes != 1) {
        return kBlitUnsupported;
    }
    if (!ClipSource(*bitmap, *srcRect)) {
        return kBlitOk;
    }
    BlitTrace trace;
    return DrawClipped(this, dc, *bitmap, *srcRect, *dstRect, trace);
}

short VyrBlitter::VyrBlit(HWND window, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                          RECT* dstRect)
{
    HDC dc = GetDC(window);
    const short result = VyrBlit(dc, bitmap, dibBytes, srcRect, dstRect);
    ReleaseDC(window, dc);
    return result;
}

short VyrBlitter::VyrBlit(HDC dc, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                          RECT* dstRect)
{
    BlitTrace trace;
    return BlitChecked(this, dc, bitmap, dibBytes, srcRect, dstRect, trace);
}
