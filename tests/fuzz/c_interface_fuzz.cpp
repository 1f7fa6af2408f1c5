// libFuzzer target: the C interface as a careless caller uses it. An input
// starts with a packed DIB (read from its front); the rest (read from its
// back) chooses the display and a sequence of calls on up to two handles,
// each call with arguments that may be null, a DIB length that may be short
// of what the header promises, and an optional failed allocation. The DIB
// handed to a call lies in a buffer of exactly the length the call is told,
// so that AddressSanitizer catches any read beyond it.
//
// After every call it checks the result code (-1007 exactly when an
// allocation failed, -1032 for every null handle or pointer a call needs),
// that a failed call drew nothing, and that the report of the last blit
// agrees with the call; at the end, that no heap block or GDI object is left.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "dibdraw32/dibdraw32.h"
#include "fuzz_check.h"
#include "fuzzed_dib.h"
#include "memkit40.h"
#include "vdisplay/vdisplay_c.h"

using fuzzcheck::Require;

namespace {

constexpr int kMaxImageSide = 200;
constexpr int kMaxScreenSide = 32;
constexpr int kMaxCalls = 24;
constexpr int kModes[] = {0, 1, 2, 3, 0, 1, 2, 3, -1, 4, INT_MIN, INT_MAX};

enum class Call {
    Create,
    Destroy,
    ReInit,
    BlitDC,
    BlitWindow,
    RealizeFixed,
    RealizeDib,
    RealizeColors,
    kMaxValue = RealizeColors,
};

class Session {
public:
    explicit Session(FuzzedDataProvider& input) : m_input(input), m_dib(input, kMaxImageSide)
    {
        VdConfigure(m_input.ConsumeIntegralInRange<int>(VD_MONO, VD_GREY2), m_input.ConsumeIntegralInRange(1, kMaxScreenSide),
                    m_input.ConsumeIntegralInRange(1, kMaxScreenSide), m_input.ConsumeBool());
        m_start = testsupport::ResourceCounts::Now();
    }

    ~Session()
    {
        for (DibdrawBlitter*& handle : m_handles) {
            DibdrawDestroy(handle);
        }
        fuzzcheck::RequireNothingLeaked(m_start);
    }

    void Run()
    {
        for (int i = 0; i < kMaxCalls && m_input.remaining_bytes() > 0; ++i) {
            RunOne(m_input.ConsumeEnum<Call>(), m_input.ConsumeIntegralInRange(0, 1));
        }
    }

private:
    // The DIB in a buffer of the length the call is told: whole, or cut short.
    std::vector<uint8_t> DibOfLength()
    {
        const size_t length = m_input.ConsumeBool() ? m_dib.size() : m_input.ConsumeIntegralInRange<size_t>(0, m_dib.size());
        return std::vector<uint8_t>(m_dib.bytes(), m_dib.bytes() + length);
    }

    RECT Rect(int side)
    {
        const LONG left = m_input.ConsumeIntegralInRange(-side - 4, side + 4);
        const LONG top = m_input.ConsumeIntegralInRange(-side - 4, side + 4);
        return RECT{left, top, left + m_input.ConsumeIntegralInRange(-4, 2 * side),
                    top + m_input.ConsumeIntegralInRange(-4, 2 * side)};
    }

    std::vector<uint8_t> Screen() const
    {
        std::vector<uint8_t> screen(VdReadScreen(nullptr, 0));
        VdReadScreen(screen.data(), screen.size());
        return screen;
    }

    void RunOne(Call call, int index)
    {
        DibdrawBlitter*& handle = m_handles[index];
        // Null where the caller passes null: the handle itself, now and then.
        DibdrawBlitter* const passed = m_input.ConsumeIntegralInRange(0, 7) == 0 ? nullptr : handle;
        const uint32_t failAt = m_input.ConsumeBool() ? m_input.ConsumeIntegralInRange<uint32_t>(1, 8) : 0;
        const std::vector<uint8_t> screen = Screen();
        const uint64_t callsBefore = KemAllocationCalls();
        KemFailNthAllocation(failAt);
        bool needsPointers = true;
        short result = DIBDRAW_OK;
        bool blit = false;
        RECT src = {};
        switch (call) {
        case Call::Create:
            DibdrawDestroy(handle);
            handle = DibdrawCreate(m_input.PickValueInArray(kModes), m_input.PickValueInArray(kModes), &result);
            m_lacksPalette[index] = false;
            Require((handle == nullptr) == (result != DIBDRAW_OK), "DibdrawCreate returned %p with %d",
                    static_cast<void*>(handle), result);
            needsPointers = false;
            break;
        case Call::Destroy:
            DibdrawDestroy(handle);
            handle = nullptr;
            m_lacksPalette[index] = false;
            needsPointers = false;
            break;
        case Call::ReInit:
            result = DibdrawReInit(passed, m_input.PickValueInArray(kModes), m_input.PickValueInArray(kModes));
            if (passed != nullptr) {
                m_lacksPalette[index] = result == DIBDRAW_NO_MEMORY;
            }
            break;
        case Call::BlitDC:
        case Call::BlitWindow: {
            const std::vector<uint8_t> dib = DibOfLength();
            const bool withDib = m_input.ConsumeIntegralInRange(0, 15) != 0;
            const bool withSrc = m_input.ConsumeBool();
            const bool withDst = m_input.ConsumeBool();
            const auto* header = withDib ? reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()) : nullptr;
            src = Rect(kMaxImageSide);
            RECT dst = Rect(kMaxScreenSide);
            RECT* srcArg = withSrc ? &src : nullptr;
            RECT* dstArg = withDst ? &dst : nullptr;
            if (call == Call::BlitWindow) {
                result = DibdrawBlitWindow(passed, nullptr, header, dib.size(), srcArg, dstArg);
            } else {
                const bool withDc = m_input.ConsumeIntegralInRange(0, 15) != 0;
                const HDC dc = withDc ? VdGetScreenDC() : nullptr;
                result = DibdrawBlitDC(passed, dc, header, dib.size(), srcArg, dstArg);
                if (dc != nullptr) {
                    VdReleaseScreenDC(dc);
                }
                needsPointers = withDc;
            }
            needsPointers = needsPointers && withDib;
            blit = withSrc;
            break;
        }
        case Call::RealizeFixed:
            result = DibdrawRealizeFixedPalette(passed, nullptr);
            break;
        case Call::RealizeDib: {
            const std::vector<uint8_t> dib = DibOfLength();
            const bool withDib = m_input.ConsumeIntegralInRange(0, 15) != 0;
            result = DibdrawRealizeDibPalette(passed, nullptr,
                                              withDib ? reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()) : nullptr,
                                              dib.size());
            needsPointers = withDib;
            break;
        }
        case Call::RealizeColors: {
            const int count = m_input.ConsumeIntegralInRange(-2, 260);
            std::vector<RGBQUAD> colors(static_cast<size_t>(std::max(count, 0)));
            for (RGBQUAD& color : colors) {
                color = RGBQUAD{m_input.ConsumeIntegral<uint8_t>(), m_input.ConsumeIntegral<uint8_t>(),
                                m_input.ConsumeIntegral<uint8_t>(), 0};
            }
            const bool withColors = m_input.ConsumeIntegralInRange(0, 15) != 0;
            result = DibdrawRealizeColors(passed, nullptr, withColors ? colors.data() : nullptr, count);
            needsPointers = count >= 0 && (withColors || count == 0);
            break;
        }
        }
        const bool failed = failAt != 0 && KemAllocationCalls() - callsBefore >= failAt;
        KemStopFailing();

        const bool createOrDestroy = call == Call::Create || call == Call::Destroy;
        Require(result == DIBDRAW_OK || result == DIBDRAW_NO_MEMORY || result == DIBDRAW_UNSUPPORTED,
                "call %d returned %d", static_cast<int>(call), result);
        if (!createOrDestroy && (passed == nullptr || !needsPointers)) {
            Require(result == DIBDRAW_UNSUPPORTED, "call %d with a null argument returned %d", static_cast<int>(call),
                    result);
            Require(!failed, "call %d with a null argument allocated", static_cast<int>(call));
        } else {
            // A handle whose palette could not be re-created cannot blit on a
            // 256-colour display until it is re-initialised.
            const bool lacking = m_lacksPalette[index] && (call == Call::BlitDC || call == Call::BlitWindow);
            Require(failed ? result == DIBDRAW_NO_MEMORY : result != DIBDRAW_NO_MEMORY || lacking,
                    "call %d returned %d with%s a failed allocation", static_cast<int>(call), result,
                    failed ? "" : "out");
        }
        Require(result == DIBDRAW_OK || Screen() == screen, "call %d returned %d and changed the screen",
                static_cast<int>(call), result);
        if ((call == Call::BlitDC || call == Call::BlitWindow) && passed != nullptr) {
            CheckReport(passed, result, blit ? &src : nullptr);
        }
    }

    // The report repeats the blit's result and the source it left.
    void CheckReport(const DibdrawBlitter* handle, short result, const RECT* src)
    {
        DibdrawBlitInfo info = {};
        info.size = sizeof info;
        Require(DibdrawLastBlit(handle, &info) == DIBDRAW_OK, "DibdrawLastBlit refused a handle");
        Require(info.result == result, "the report says %d, the blit returned %d", info.result, result);
        Require(info.converter != nullptr, "the report names no converter");
        Require(result == DIBDRAW_OK || info.bands == 0, "a failed blit reports %u bands", info.bands);
        if (src != nullptr) {
            Require(std::memcmp(&info.source, src, sizeof *src) == 0, "the report's source is not the blit's");
        }
    }

    FuzzedDataProvider& m_input;
    FuzzedDib m_dib;
    DibdrawBlitter* m_handles[2] = {nullptr, nullptr};
    bool m_lacksPalette[2] = {false, false};
    testsupport::ResourceCounts m_start;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzcheck::RunSession<Session>(data, size);
}
