// libFuzzer target: the library's whole interface on every kind of virtual
// display. An input starts with a packed DIB (read from its front: header,
// colour table, rows), copied into a buffer of exactly the bytes it needs so
// that AddressSanitizer catches any read beyond it. The rest of the input
// (read from its back) chooses the display and a sequence of calls on up to
// two objects: blits with random rectangles, palette realizations,
// re-initialisations with any dither and palette modes, assignments, a new
// system palette or display mode, each with an optional failed allocation.
//
// After every call it checks the result code, that a failed call drew
// nothing, that no per-blit buffer survives the call, and that the live heap
// blocks and palettes are exactly those the objects own; at the end of the
// input, that nothing is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "dibdraw32/VyrBlitter.h"
#include "fuzz_check.h"
#include "fuzzed_dib.h"
#include "memkit40.h"
#include "support/display_kinds.h"
#include "vdisplay/vdisplay.h"

using fuzzcheck::Require;

namespace {

// Sizes that keep one input fast.
constexpr int kMaxImageSide = 300;
constexpr int kMaxDestinationSide = 300;
constexpr int kMaxScreenSide = 32;
constexpr int kMaxCalls = 32;

constexpr vd::Kind kKinds[] = {vd::Kind::Mono,   vd::Kind::Planar4, vd::Kind::Packed4,
                               vd::Kind::Palette8, vd::Kind::Rgb332, vd::Kind::Rgb565,
                               vd::Kind::Rgb24,  vd::Kind::Rgb32,   vd::Kind::Grey2};

// The modes a host may pass: the valid ones most often, and some it should not.
constexpr int kModes[] = {0, 1, 2, 3, 0, 1, 2, 3, -1, 4, 255, INT_MIN, INT_MAX};

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

LONG Clamp32(int64_t value) { return static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// A coordinate near [0, side], now and then one at either end of the range.
LONG Coordinate(FuzzedDataProvider& input, int side)
{
    switch (input.ConsumeIntegralInRange(0, 15)) {
    case 0: return INT32_MIN;
    case 1: return INT32_MAX;
    default: return input.ConsumeIntegralInRange(-side - 8, side + 8);
    }
}

RECT SourceRect(FuzzedDataProvider& input, const BITMAPINFOHEADER& header)
{
    const int side = std::max(std::abs(header.biWidth), std::abs(header.biHeight));
    return RECT{Coordinate(input, side), Coordinate(input, side), Coordinate(input, side), Coordinate(input, side)};
}

RECT DestinationRect(FuzzedDataProvider& input)
{
    const LONG left = Coordinate(input, kMaxScreenSide);
    const LONG top = Coordinate(input, kMaxScreenSide);
    const int width = input.ConsumeIntegralInRange(-4, kMaxDestinationSide);
    const int height = input.ConsumeIntegralInRange(-4, kMaxDestinationSide);
    return RECT{left, top, Clamp32(int64_t{left} + width), Clamp32(int64_t{top} + height)};
}

struct Display {
    vd::Config config;
    HWND window = nullptr;

    void Set(FuzzedDataProvider& input)
    {
        config.kind = input.PickValueInArray(kKinds);
        config.width = input.ConsumeIntegralInRange(1, kMaxScreenSide);
        config.height = input.ConsumeIntegralInRange(1, kMaxScreenSide);
        config.swappedRgb = input.ConsumeBool();
        vd::Configure(config);
        const LONG left = input.ConsumeIntegralInRange(0, config.width - 1);
        const LONG top = input.ConsumeIntegralInRange(0, config.height - 1);
        const LONG right = input.ConsumeIntegralInRange(left + 1, config.width);
        const LONG bottom = input.ConsumeIntegralInRange(top + 1, config.height);
        window = vd::CreateWindow(RECT{left, top, right, bottom});
    }

    std::vector<uint32_t> Pixels() const
    {
        return testsupport::DevicePixels(RECT{0, 0, config.width, config.height});
    }
};

enum class Call {
    BlitWindow,
    BlitWindowDc,
    BlitScreenDc,
    RealizeFixed,
    RealizeImage,
    RealizeColors,
    ReInit,
    AssignBlitterFn,
    AssignOther,
    AssignSelf,
    Recreate,
    NewSystemPalette,
    NewDisplay,
    kMaxValue = NewDisplay,
};

// The calls that are methods of the object, by their Call value.
constexpr const char* kMethodNames[] = {
    "VyrBlit(window, length)", "VyrBlit(window DC)", "VyrBlit(screen DC)", "VyrRealizeFixedPalette",
    "VyrRealizePalette(bitmap, length)", "VyrRealizePalette(colours)", "VyrReInitBlitter", "AssignBlitterFn",
};

class Session {
public:
    explicit Session(FuzzedDataProvider& input) : m_input(input), m_dib(input, kMaxImageSide)
    {
        m_display.Set(input);
        m_start = testsupport::ResourceCounts::Now();
        Object(0);
        CheckOwnership("construction");
    }

    ~Session()
    {
        for (auto& object : m_objects) {
            object.reset();
        }
        vd::DestroyWindow(m_display.window);
        fuzzcheck::RequireNothingLeaked(m_start);
    }

    void Run()
    {
        for (int i = 0; i < kMaxCalls && m_input.remaining_bytes() > 0; ++i) {
            RunOne(m_input.ConsumeEnum<Call>());
        }
    }

private:
    VyrBlitter& Object(int index)
    {
        if (!m_objects[index]) {
            m_objects[index].emplace(m_input.PickValueInArray(kModes), m_input.PickValueInArray(kModes));
        }
        return *m_objects[index];
    }

    void RunOne(Call call)
    {
        const int index = m_input.ConsumeIntegralInRange(0, 1);
        const uint32_t failAt = m_input.ConsumeBool() ? m_input.ConsumeIntegralInRange<uint32_t>(1, 8) : 0;
        switch (call) {
        case Call::NewSystemPalette:
            NewSystemPalette();
            return;
        case Call::NewDisplay:
            vd::DestroyWindow(m_display.window);
            m_display.Set(m_input);
            m_start.gdi.dcs = 0;
            return;
        case Call::AssignOther: {
            VyrBlitter& target = Object(index);
            const VyrBlitter& source = Object(1 - index);
            // A failed allocation leaves the target without palettes; the
            // operator has no result to report it.
            KemFailNthAllocation(failAt);
            target = source;
            KemStopFailing();
            CheckOwnership("assignment");
            Require(m_objects[0]->m_logPalette == nullptr || m_objects[0]->m_logPalette != m_objects[1]->m_logPalette,
                    "assigned objects share a logical palette");
            Require(m_objects[0]->m_palette == nullptr || m_objects[0]->m_palette != m_objects[1]->m_palette,
                    "assigned objects share a GDI palette");
            return;
        }
        case Call::AssignSelf: {
            VyrBlitter& object = Object(index);
            object = *&object;
            CheckOwnership("self-assignment");
            return;
        }
        case Call::Recreate:
            m_objects[index].reset();
            KemFailNthAllocation(failAt);
            Object(index);
            KemStopFailing();
            CheckOwnership("re-creation");
            return;
        default:
            break;
        }

        VyrBlitter& object = Object(index);
        Describe("%s", kMethodNames[static_cast<int>(call)]);
        const std::vector<uint32_t> before = m_display.Pixels();
        const uint64_t callsBefore = KemAllocationCalls();
        KemFailNthAllocation(failAt);
        const short result = CallMethod(call, object);
        const bool failed = failAt != 0 && KemAllocationCalls() - callsBefore >= failAt;
        KemStopFailing();

        const bool blit = call == Call::BlitWindow || call == Call::BlitWindowDc || call == Call::BlitScreenDc;
        Require(result == kBlitOk || result == kBlitNoMemory || result == kBlitUnsupported, "%s returned %d",
                m_call, result);
        // An object whose palette could not be allocated before cannot blit
        // on a 256-colour display.
        const bool lacksPalette = object.m_displayDepth == 8 && object.m_logPalette == nullptr;
        Require(failed ? result == kBlitNoMemory : result != kBlitNoMemory || (blit && lacksPalette),
                "%s returned %d with%s a failed allocation", m_call, result, failed ? "" : "out");
        if (!blit || result != kBlitOk) {
            CheckUnchanged(before, result);
        }
        CheckOwnership("a call");
    }

    short CallMethod(Call call, VyrBlitter& object)
    {
        BITMAPINFOHEADER* header = m_dib.header();
        switch (call) {
        case Call::BlitWindow:
        case Call::BlitWindowDc:
        case Call::BlitScreenDc: {
            RECT src = SourceRect(m_input, *header);
            RECT dst = DestinationRect(m_input);
            const RECT asked = src;
            short result = 0;
            if (call == Call::BlitWindow) {
                // The window's overload is the one checked against the DIB's length.
                result = object.VyrBlit(m_display.window, header, m_dib.size(), &src, &dst);
            } else {
                const HWND window = call == Call::BlitWindowDc ? m_display.window : nullptr;
                const HDC dc = GetDC(window);
                result = object.VyrBlit(dc, header, &src, &dst);
                ReleaseDC(window, dc);
            }
            Describe("VyrBlit(%s) of a %dx%d %d-bit bitmap (%d planes, header %u bytes), source %d,%d,%d,%d, "
                     "destination %d,%d,%d,%d",
                     call == Call::BlitWindow ? "window" : call == Call::BlitWindowDc ? "window DC" : "screen DC",
                     header->biWidth, header->biHeight, header->biBitCount, header->biPlanes, header->biSize,
                     asked.left, asked.top, asked.right, asked.bottom, dst.left, dst.top, dst.right, dst.bottom);
            // The overload checked against the DIB's length refuses a DIB that
            // does not fit before it touches the rectangle; anything else
            // comes back clipped.
            const bool refusedUntouched =
                call == Call::BlitWindow && result == kBlitUnsupported && SameRect(asked, src);
            if (!refusedUntouched) {
                CheckClipped(*header, asked, src);
            }
            return result;
        }
        case Call::RealizeFixed:
            return object.VyrRealizeFixedPalette(m_display.window);
        case Call::RealizeImage:
            return object.VyrRealizePalette(m_display.window, header, m_dib.size());
        case Call::RealizeColors: {
            const int count = m_input.ConsumeIntegralInRange(-2, 260);
            std::vector<RGBQUAD> colors(static_cast<size_t>(std::clamp(count, 0, 256)));
            for (RGBQUAD& color : colors) {
                color = RGBQUAD{m_input.ConsumeIntegral<uint8_t>(), m_input.ConsumeIntegral<uint8_t>(),
                                m_input.ConsumeIntegral<uint8_t>(), m_input.ConsumeIntegral<uint8_t>()};
            }
            return object.VyrRealizePalette(m_display.window, colors.data(), count);
        }
        case Call::ReInit:
            return object.VyrReInitBlitter(m_input.PickValueInArray(kModes), m_input.PickValueInArray(kModes));
        case Call::AssignBlitterFn:
            return object.AssignBlitterFn(m_input.PickValueInArray({0, 1, 2, 4, 8, 16, 24, 32}),
                                          m_input.PickValueInArray(kModes));
        default:
            return kBlitOk;
        }
    }

    // What the last call was, for the messages of the checks, with the display.
    [[gnu::format(printf, 2, 3)]] void Describe(const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(m_call, sizeof m_call, format, args);
        va_end(args);
        const vd::Config& config = m_display.config;
        std::snprintf(m_call + std::min<size_t>(static_cast<size_t>(length), sizeof m_call - 1),
                      sizeof m_call - std::min<size_t>(static_cast<size_t>(length), sizeof m_call - 1),
                      " on a %dx%d display of kind %d", config.width, config.height, static_cast<int>(config.kind));
    }

    // Another application realizing its palette.
    void NewSystemPalette()
    {
        const unsigned start = m_input.ConsumeIntegralInRange(0u, 255u);
        const unsigned count = m_input.ConsumeIntegralInRange(1u, 256u - start);
        std::vector<PALETTEENTRY> entries(count);
        for (PALETTEENTRY& entry : entries) {
            entry = PALETTEENTRY{m_input.ConsumeIntegral<uint8_t>(), m_input.ConsumeIntegral<uint8_t>(),
                                 m_input.ConsumeIntegral<uint8_t>(), 0};
        }
        vd::SetSystemPaletteEntries(start, count, entries.data());
    }

    void CheckUnchanged(const std::vector<uint32_t>& before, short result) const
    {
        const std::vector<uint32_t> after = m_display.Pixels();
        const auto differs = std::mismatch(before.begin(), before.end(), after.begin());
        const int at = static_cast<int>(differs.first - before.begin());
        Require(differs.first == before.end(), "%s returned %d and changed the screen: pixel %d,%d from 0x%x to 0x%x",
                m_call, result, at % m_display.config.width, at / m_display.config.width,
                differs.first == before.end() ? 0 : *differs.first, differs.first == before.end() ? 0 : *differs.second);
    }

    // The library clips the caller's source rectangle in place unless the
    // bitmap is refused or the rectangle starts beyond it.
    static void CheckClipped(const BITMAPINFOHEADER& header, const RECT& asked, const RECT& clipped)
    {
        if (header.biPlanes != 1 || asked.left > header.biWidth || asked.top > header.biHeight) {
            return;
        }
        Require(clipped.left >= 0 && clipped.top >= 0 && clipped.right <= header.biWidth &&
                    clipped.bottom <= header.biHeight,
                "source %d,%d,%d,%d came back as %d,%d,%d,%d on a %dx%d bitmap", asked.left, asked.top,
                asked.right, asked.bottom, clipped.left, clipped.top, clipped.right, clipped.bottom,
                header.biWidth, header.biHeight);
    }

    // Between calls an object owns its logical palette, its GDI palette and
    // its error row, and nothing else.
    void CheckOwnership(const char* after) const
    {
        testsupport::ResourceCounts owned = m_start;
        for (const auto& object : m_objects) {
            if (!object) {
                continue;
            }
            Require(object->m_srcRow == nullptr && object->m_stretchRow == nullptr && object->m_outRow == nullptr &&
                        object->m_bandInfo == nullptr && object->m_bandBits == nullptr &&
                        object->m_imagePalette == nullptr,
                    "a per-blit buffer survived %s", after);
            Require((object->m_logPalette == nullptr) == (object->m_palette == nullptr),
                    "after %s the object has only one of its two palettes", after);
            Require(object->m_palette == nullptr || object->m_displayDepth == 8,
                    "after %s a %d-bit object holds a palette", after, object->m_displayDepth);
            owned.heapBlocks += (object->m_logPalette != nullptr) + (object->m_errorRow != nullptr);
            owned.gdi.palettes += object->m_palette != nullptr;
        }
        char when[600];
        std::snprintf(when, sizeof when, "after %s, besides what the objects own", after);
        fuzzcheck::RequireResources(owned, when);
    }

    FuzzedDataProvider& m_input;
    FuzzedDib m_dib;
    Display m_display;
    std::optional<VyrBlitter> m_objects[2];
    testsupport::ResourceCounts m_start;
    char m_call[512] = {};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzcheck::RunSession<Session>(data, size);
}
