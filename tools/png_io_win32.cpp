// PNG through the Windows Imaging Component, part of every Windows the tool
// runs on. Decoded rows go through the same builder as libpng's on Linux, so
// that both builds turn a file into the same DIB.
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <functional>
#include <new>
#include <utility>
#include <vector>

#include "tools/output_file.h"
#include "tools/png_io.h"
#include "tools/png_rows.h"

namespace dibtool {

namespace {

// One reference to a COM object, released when the holder goes.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (m_object != nullptr) {
            m_object->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* operator->() const { return m_object; }
    T* get() const { return m_object; }
    // Where a function that hands out a new reference stores it.
    T** out() { return &m_object; }

private:
    T* m_object = nullptr;
};

// COM for the length of one call. A thread that already chose the other
// apartment model (RPC_E_CHANGED_MODE) serves WIC as well; only a successful
// initialization (S_OK or S_FALSE) is balanced by CoUninitialize.
class ComSession {
public:
    ComSession() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComSession()
    {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

    bool usable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return m_result; }

private:
    HRESULT m_result;
};

std::string Describe(HRESULT result)
{
    switch (result) {
    case WINCODEC_ERR_BADHEADER:
        return "the header is damaged";
    case WINCODEC_ERR_BADIMAGE:
        return "the image data is damaged";
    case WINCODEC_ERR_STREAMREAD:
    case WINCODEC_ERR_STREAMNOTAVAILABLE:
        return "the file ends inside the image data";
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
        // What Wine's PNG decoder reports for any file it cannot read,
        // after the signature has matched.
        return "the file is damaged or cut short";
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT:
    case WINCODEC_ERR_UNSUPPORTEDOPERATION:
        return "the pixel format is not supported";
    case WINCODEC_ERR_COMPONENTNOTFOUND:
        return "the Windows Imaging Component has no PNG codec";
    case E_OUTOFMEMORY:
        return "out of memory";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::string CreateFactory(const ComSession& com, ComRef<IWICImagingFactory>& factory)
{
    if (!com.usable()) {
        return "cannot start COM: " + Describe(com.result());
    }
    const HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
    return SUCCEEDED(result) ? std::string() : "cannot start the Windows Imaging Component: " + Describe(result);
}

// A 16-bit sample rounded to 8 bits, as libpng's png_set_scale_16 does.
constexpr uint8_t Narrow(uint32_t sample) { return static_cast<uint8_t>((sample + 128) / 257); }

static_assert(Narrow(0) == 0 && Narrow(65535) == 255 && Narrow(128) == 0 && Narrow(129) == 1);

// Turns one row as WIC delivers it into the builder's layout.
using RowConversion = void (*)(const uint8_t* in, uint8_t* out, int width);

// Grey levels of 1, 2 or 4 bits, packed from the most significant bit,
// scaled to 8 bits (exactly: 255 is a multiple of every maximum).
template <int Bits>
void WidenGrey(const uint8_t* in, uint8_t* out, int width)
{
    constexpr unsigned kMax = (1u << Bits) - 1;
    constexpr int kPerByte = 8 / Bits;
    for (int x = 0; x < width; ++x) {
        const unsigned level = (in[x / kPerByte] >> (8 - Bits * (x % kPerByte + 1))) & kMax;
        out[x] = static_cast<uint8_t>(level * (255 / kMax));
    }
}

// Pixels of `Samples` little-endian 16-bit samples narrowed to 8 bits, red
// and blue swapped where WIC's order (RGB) is not the builder's (BGR).
template <int Samples, bool SwapRedBlue>
void NarrowWide(const uint8_t* in, uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x, in += 2 * Samples, out += Samples) {
        for (int s = 0; s < Samples; ++s) {
            const int from = SwapRedBlue && s < 3 ? 2 - s : s;
            out[s] = Narrow(in[2 * from] | static_cast<uint32_t>(in[2 * from + 1]) << 8);
        }
    }
}

// How one pixel format the PNG decoder reports is read: the format asked of
// WIC (through its converter when it differs), its bits a pixel, the
// conversion of its rows (none where WIC's rows are the builder's) and the
// builder's layout. Grey levels under 8 bits and 16-bit samples are read as
// the file holds them and converted here, with libpng's rounding.
struct FrameReading {
    const GUID* reported;
    const GUID* requested;
    int requestedBits;
    RowConversion convert;
    PngRowLayout layout;
    int indexBits;
};

const FrameReading kReadings[] = {
    {&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat1bppIndexed, 1, nullptr, PngRowLayout::Indices, 1},
    {&GUID_WICPixelFormat2bppIndexed, &GUID_WICPixelFormat2bppIndexed, 2, nullptr, PngRowLayout::Indices, 2},
    {&GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat4bppIndexed, 4, nullptr, PngRowLayout::Indices, 4},
    {&GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat8bppIndexed, 8, nullptr, PngRowLayout::Indices, 8},
    {&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormatBlackWhite, 1, WidenGrey<1>, PngRowLayout::Grey, 0},
    {&GUID_WICPixelFormat2bppGray, &GUID_WICPixelFormat2bppGray, 2, WidenGrey<2>, PngRowLayout::Grey, 0},
    {&GUID_WICPixelFormat4bppGray, &GUID_WICPixelFormat4bppGray, 4, WidenGrey<4>, PngRowLayout::Grey, 0},
    {&GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormat8bppGray, 8, nullptr, PngRowLayout::Grey, 0},
    {&GUID_WICPixelFormat16bppGray, &GUID_WICPixelFormat16bppGray, 16, NarrowWide<1, false>, PngRowLayout::Grey, 0},
    {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat24bppBGR, 24, nullptr, PngRowLayout::Bgr, 0},
    {&GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat48bppRGB, 48, NarrowWide<3, true>, PngRowLayout::Bgr, 0},
    {&GUID_WICPixelFormat64bppRGBA, &GUID_WICPixelFormat64bppRGBA, 64, NarrowWide<4, true>, PngRowLayout::Bgra, 0},
};

// Anything else, with or without alpha, is converted to 8-bit BGRA and
// composited (an opaque pixel composites to itself).
const FrameReading kAnyOtherFormat = {
    &GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat32bppBGRA, 32, nullptr, PngRowLayout::Bgra, 0};

// A file's own colour type, from its IHDR chunk, which the format puts
// first, right after the signature.
constexpr size_t kColorTypeAt = 25;
constexpr uint8_t kPaletteColorType = 3;

const FrameReading& ReadingFor(const WICPixelFormatGUID& format, bool paletteFile)
{
    for (const FrameReading& reading : kReadings) {
        if (IsEqualGUID(format, *reading.reported)) {
            // Wine reports grey files with a transparent level as indexed,
            // their palette a grey ramp; libpng composites those into 24
            // bits, and so does the converter.
            return reading.layout == PngRowLayout::Indices && !paletteFile ? kAnyOtherFormat : reading;
        }
    }
    return kAnyOtherFormat;
}

// What went wrong while decoding: `refused` messages stand alone, the
// others follow "invalid PNG: ".
struct DecodeProblem {
    std::string text;
    bool refused = false;
};

// A failed WIC call; running out of memory is reported like libpng's build
// does, once the size is known.
DecodeProblem FailureOf(HRESULT result, UINT width, UINT height)
{
    if (result == E_OUTOFMEMORY && width != 0) {
        return {NotEnoughMemoryFor(width, height), true};
    }
    return {Describe(result)};
}

HRESULT ReadPalette(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, PngDibBuilder& builder)
{
    ComRef<IWICPalette> palette;
    HRESULT result = factory->CreatePalette(palette.out());
    if (SUCCEEDED(result)) {
        result = frame->CopyPalette(palette.get());
    }
    UINT count = 0;
    if (SUCCEEDED(result)) {
        result = palette->GetColorCount(&count);
    }
    std::vector<WICColor> colors(count);
    if (SUCCEEDED(result) && count > 0) {
        result = palette->GetColors(count, colors.data(), &count);
    }
    if (FAILED(result)) {
        return result;
    }
    // WIC gives 0xAARRGGBB, the alpha taken from tRNS.
    std::vector<PngPaletteColor> entries;
    for (UINT i = 0; i < count; ++i) {
        const WICColor c = colors[i];
        entries.push_back(PngPaletteColor{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                          static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 24)});
    }
    builder.SetPalette(entries);
    return S_OK;
}

HRESULT ReadRows(IWICBitmapSource* source, const FrameReading& reading, PngDibBuilder& builder)
{
    const int width = builder.image().width();
    const size_t inBytes = (static_cast<size_t>(width) * static_cast<size_t>(reading.requestedBits) + 7) / 8;
    std::vector<uint8_t> in(inBytes);
    std::vector<uint8_t> converted(reading.convert != nullptr ? builder.RowBytes() : 0);
    for (int y = 0; y < builder.image().height(); ++y) {
        const WICRect row = {0, y, width, 1};
        const HRESULT result =
            source->CopyPixels(&row, static_cast<UINT>(inBytes), static_cast<UINT>(inBytes), in.data());
        if (FAILED(result)) {
            return result;
        }
        if (reading.convert == nullptr) {
            builder.PutRow(y, in.data());
        } else {
            reading.convert(in.data(), converted.data(), width);
            builder.PutRow(y, converted.data());
        }
    }
    return S_OK;
}

DecodeProblem Decode(IWICImagingFactory* factory, std::span<const uint8_t> file, COLORREF background,
                     PackedDib& image)
{
    if (file.size() > MAXDWORD) {
        return {"the file is too large", true};
    }
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    // InitializeFromMemory takes a writable pointer; WIC only reads through it.
    HRESULT result = factory->CreateStream(stream.out());
    if (SUCCEEDED(result)) {
        result = stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size()));
    }
    if (SUCCEEDED(result)) {
        result = factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.out());
    }
    if (SUCCEEDED(result)) {
        result = decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand);
    }
    if (SUCCEEDED(result)) {
        result = decoder->GetFrame(0, frame.out());
    }
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format = {};
    if (SUCCEEDED(result)) {
        result = frame->GetSize(&width, &height);
    }
    if (SUCCEEDED(result)) {
        result = frame->GetPixelFormat(&format);
    }
    if (FAILED(result)) {
        return FailureOf(result, 0, 0);
    }
    if (std::string problem = CheckImageSize(width, height); !problem.empty()) {
        return {problem, true};
    }
    const bool paletteFile = file.size() > kColorTypeAt && file[kColorTypeAt] == kPaletteColorType;
    const FrameReading& reading = ReadingFor(format, paletteFile);
    ComRef<IWICFormatConverter> converter;
    IWICBitmapSource* source = frame.get();
    if (!IsEqualGUID(format, *reading.requested)) {
        result = factory->CreateFormatConverter(converter.out());
        if (SUCCEEDED(result)) {
            result = converter->Initialize(frame.get(), *reading.requested, WICBitmapDitherTypeNone, nullptr, 0.0,
                                           WICBitmapPaletteTypeCustom);
        }
        if (FAILED(result)) {
            return FailureOf(result, width, height);
        }
        source = converter.get();
    }
    try {
        PngDibBuilder builder(static_cast<int>(width), static_cast<int>(height), reading.layout, reading.indexBits,
                              background);
        if (reading.layout == PngRowLayout::Indices) {
            result = ReadPalette(factory, frame.get(), builder);
        }
        if (SUCCEEDED(result)) {
            result = ReadRows(source, reading, builder);
        }
        if (FAILED(result)) {
            return FailureOf(result, width, height);
        }
        image = std::move(builder.image());
    } catch (const std::bad_alloc&) {
        return {NotEnoughMemoryFor(width, height), true};
    }
    return {};
}

// Row y of the picture as WIC takes it: packed indices, or blue, green, red;
// picture.RowBytes() bytes at `out`.
void PackRowForWic(const PngImage& picture, int y, uint8_t* out)
{
    picture.PackRow(y, out);
    if (!picture.indexed()) {
        for (size_t at = 0; at < picture.RowBytes(); at += 3) {
            std::swap(out[at], out[at + 2]);
        }
    }
}

const GUID& WicFormatOf(const PngImage& picture)
{
    switch (picture.indexed() ? picture.bits : 24) {
    case 1:
        return GUID_WICPixelFormat1bppIndexed;
    case 2:
        return GUID_WICPixelFormat2bppIndexed;
    case 4:
        return GUID_WICPixelFormat4bppIndexed;
    case 8:
        return GUID_WICPixelFormat8bppIndexed;
    default:
        return GUID_WICPixelFormat24bppBGR;
    }
}

// Encodes the picture into `memory`; returns an empty string on success.
std::string Encode(IWICImagingFactory* factory, const PngImage& picture, IStream* memory)
{
    ComRef<IWICBitmapEncoder> encoder;
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> frameOptions;
    ComRef<IWICPalette> palette;
    HRESULT result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out());
    if (SUCCEEDED(result)) {
        result = encoder->Initialize(memory, WICBitmapEncoderNoCache);
    }
    if (SUCCEEDED(result)) {
        result = encoder->CreateNewFrame(frame.out(), frameOptions.out());
    }
    if (SUCCEEDED(result)) {
        result = frame->Initialize(frameOptions.get());
    }
    if (SUCCEEDED(result)) {
        result = frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height));
    }
    const GUID& wanted = WicFormatOf(picture);
    WICPixelFormatGUID format = wanted;
    if (SUCCEEDED(result)) {
        result = frame->SetPixelFormat(&format);
    }
    if (FAILED(result)) {
        return Describe(result);
    }
    if (!IsEqualGUID(format, wanted)) {
        // The encoder offers another format rather than failing: writing in it
        // would change the picture.
        return "the PNG encoder cannot write " +
               (picture.indexed() ? std::to_string(picture.bits) + "-bit indexed" : std::string("24-bit RGB")) +
               " pixels";
    }
    if (picture.indexed()) {
        // WIC would quietly drop the entries the indices cannot reach.
        if (picture.palette.size() > (size_t{1} << picture.bits)) {
            return std::to_string(picture.palette.size()) + " colours do not fit " + std::to_string(picture.bits) +
                   "-bit indices";
        }
        std::vector<WICColor> colors;
        for (const PALETTEENTRY& e : picture.palette) {
            colors.push_back(0xFF000000u | static_cast<WICColor>(e.peRed) << 16 |
                             static_cast<WICColor>(e.peGreen) << 8 | e.peBlue);
        }
        result = factory->CreatePalette(palette.out());
        if (SUCCEEDED(result)) {
            result = palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size()));
        }
        if (SUCCEEDED(result)) {
            result = frame->SetPalette(palette.get());
        }
    }
    std::vector<uint8_t> row(picture.RowBytes());
    for (int y = 0; y < picture.height && SUCCEEDED(result); ++y) {
        PackRowForWic(picture, y, row.data());
        result = frame->WritePixels(1, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data());
    }
    if (SUCCEEDED(result)) {
        result = frame->Commit();
    }
    if (SUCCEEDED(result)) {
        result = encoder->Commit();
    }
    return SUCCEEDED(result) ? std::string() : Describe(result);
}

// The bytes written to a stream made by CreateStreamOnHGlobal, handed to
// `use` while the memory is locked.
std::string WithStreamBytes(IStream* memory, const std::function<std::string(std::span<const uint8_t>)>& use)
{
    STATSTG status = {};
    HGLOBAL global = nullptr;
    HRESULT result = memory->Stat(&status, STATFLAG_NONAME);
    if (SUCCEEDED(result)) {
        result = GetHGlobalFromStream(memory, &global);
    }
    if (FAILED(result)) {
        return "cannot write the PNG: " + Describe(result);
    }
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(global));
    if (bytes == nullptr) {
        return "cannot write the PNG: out of memory";
    }
    const std::string problem = use(std::span<const uint8_t>(bytes, static_cast<size_t>(status.cbSize.QuadPart)));
    GlobalUnlock(global);
    return problem;
}

}  // namespace

std::string DecodePng(std::span<const uint8_t> file, PackedDib& image, COLORREF background)
{
    if (!HasPngSignature(file)) {
        return "not a PNG file (bad signature)";
    }
    ComSession com;
    ComRef<IWICImagingFactory> factory;
    if (std::string problem = CreateFactory(com, factory); !problem.empty()) {
        return problem;
    }
    const DecodeProblem problem = Decode(factory.get(), file, background, image);
    if (problem.text.empty()) {
        return {};
    }
    return problem.refused ? problem.text : "invalid PNG: " + problem.text;
}

std::string WritePng(const std::string& path, const PngImage& picture)
{
    ComSession com;
    ComRef<IWICImagingFactory> factory;
    if (std::string problem = CreateFactory(com, factory); !problem.empty()) {
        return problem;
    }
    ComRef<IStream> memory;
    const HRESULT result = CreateStreamOnHGlobal(nullptr, TRUE, memory.out());
    if (FAILED(result)) {
        return "cannot write the PNG: " + Describe(result);
    }
    if (std::string problem = Encode(factory.get(), picture, memory.get()); !problem.empty()) {
        return "cannot write the PNG: " + problem;
    }
    return WithStreamBytes(memory.get(), [&](std::span<const uint8_t> bytes) { return WriteBytes(path, bytes); });
}

}  // namespace dibtool
