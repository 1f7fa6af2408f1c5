// Shared by the 256-colour converter tests: the catalogue of converters with
// what each one reads, and a blitter on a 256-colour display whose error row
// and destination rows carry guards.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <vector>

#include "convert/converters.h"
#include "support/named_case.h"
#include "support/test_support.h"
#include "support/converter_named.h"

namespace palette8test {

using testsupport::NameOf;
using testsupport::PrintTo;

// Each source format is named by its bits per pixel.
enum class SourceKind { Rgb24 = 24, Index8 = 8, Index4 = 4, Bit1 = 1 };
// Mapped: m_colorMap[source index]. Color/Grey: fixed-palette quantization.
// TwoColors: Blit1To8, the cube entries of colours 0 and 1.
enum class Method { Mapped, Color, Grey, TwoColors };

struct ConverterInfo {
    BlitterFn fn;  // names the case
    SourceKind source;
    Method method;
    int mode;  // dither mode 0..3 of the Color and Grey members, -1 otherwise
};

// The four members of a family that dither in modes 0 to 3, in mode order.
inline void AddModes(std::vector<ConverterInfo>& converters, const std::array<BlitterFn, 4>& members,
                     SourceKind source, Method method)
{
    for (int mode = 0; mode < 4; ++mode) {
        converters.push_back({members[static_cast<size_t>(mode)], source, method, mode});
    }
}

inline const std::vector<ConverterInfo>& AllConverters()
{
    using namespace dibdraw;
    static const std::vector<ConverterInfo> converters = [] {
        std::vector<ConverterInfo> all;
        AddModes(all, {testsupport::Converter("Blit24To8Mode0"), testsupport::Converter("Blit24To8Mode1"), testsupport::Converter("Blit24To8Mode2"), testsupport::Converter("Blit24To8Mode3")}, SourceKind::Rgb24,
                 Method::Color);
        all.push_back({testsupport::Converter("Blit8To8Mapped"), SourceKind::Index8, Method::Mapped, -1});
        AddModes(all, {testsupport::Converter("Blit8To8Mode0"), testsupport::Converter("Blit8To8Mode1"), testsupport::Converter("Blit8To8Mode2"), testsupport::Converter("Blit8To8Mode3")}, SourceKind::Index8, Method::Color);
        AddModes(all, {testsupport::Converter("Blit8To8Mode0Gray"), testsupport::Converter("Blit8To8Mode1Gray"), testsupport::Converter("Blit8To8Mode2Gray"), testsupport::Converter("Blit8To8Mode3Gray")}, SourceKind::Index8,
                 Method::Grey);
        all.push_back({testsupport::Converter("Blit4To8Mapped"), SourceKind::Index4, Method::Mapped, -1});
        AddModes(all, {testsupport::Converter("Blit4To8Mode0"), testsupport::Converter("Blit4To8Mode1"), testsupport::Converter("Blit4To8Mode2"), testsupport::Converter("Blit4To8Mode3")}, SourceKind::Index4, Method::Color);
        AddModes(all, {testsupport::Converter("Blit4To8Mode0Gray"), testsupport::Converter("Blit4To8Mode1Gray"), testsupport::Converter("Blit4To8Mode2Gray"), testsupport::Converter("Blit4To8Mode3Gray")}, SourceKind::Index4,
                 Method::Grey);
        all.push_back({Blit1To8Mapped, SourceKind::Bit1, Method::Mapped, -1});
        all.push_back({Blit1To8, SourceKind::Bit1, Method::TwoColors, -1});
        return all;
    }();
    return converters;
}

inline bool Diffuses(const ConverterInfo& info)
{
    return info.mode == 2;
}

inline int PaletteEntries(SourceKind source)
{
    return source == SourceKind::Rgb24 ? 0 : 1 << static_cast<int>(source);
}

// Bytes of a source row of `count` pixels whose first pixel is at bit
// `bitOffset` (1-bit rows only).
inline size_t SourceBytes(SourceKind source, int count, int bitOffset)
{
    return testsupport::SourceRowBytes(static_cast<int>(source), count, bitOffset);
}

// Error-row layouts: three int16 terms per pixel, or one int32 term.
enum class ErrorLayout { Color, Grey };

inline ErrorLayout LayoutOf(const ConverterInfo& info)
{
    return info.method == Method::Grey ? ErrorLayout::Grey : ErrorLayout::Color;
}

inline int TermsPerEntry(ErrorLayout layout)
{
    return layout == ErrorLayout::Color ? 3 : 1;
}

// A blitter on a 256-colour display, with a heap-allocated error row followed
// by guard entries, and destination rows followed by guard bytes.
class Palette8Rig {
public:
    static constexpr int kGuardEntries = 4;
    static constexpr uint8_t kErrorGuard = 0xC3;

    explicit Palette8Rig(int ditherMode = 0) : m_blitter(ditherMode, 0) {}
    ~Palette8Rig() { m_blitter.m_imagePalette = nullptr; }
    Palette8Rig(const Palette8Rig&) = delete;
    Palette8Rig& operator=(const Palette8Rig&) = delete;

    VyrBlitter& blitter() { return m_blitter; }

    void SetImagePalette(std::vector<uint8_t> triples)
    {
        m_imagePalette = std::move(triples);
        m_blitter.m_imagePalette = m_imagePalette.data();
    }

    // Replaces the error row by a zeroed one of `entries` entries.
    void AllocateErrorRow(ErrorLayout layout, int entries)
    {
        if (m_blitter.m_errorRow != nullptr) {
            KemFreeSMem(m_blitter.m_errorRow);
        }
        m_layout = layout;
        m_entries = entries;
        const size_t bytes = EntryBytes() * static_cast<size_t>(entries);
        const size_t total = bytes + EntryBytes() * kGuardEntries;
        m_blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(static_cast<uint32_t>(total)));
        std::memset(m_blitter.m_errorRow, 0, bytes);
        std::memset(m_blitter.m_errorRow + bytes, kErrorGuard, total - bytes);
    }

    int ErrorTerm(int entry, int channel) const
    {
        const int term = entry * TermsPerEntry(m_layout) + channel;
        if (m_layout == ErrorLayout::Color) {
            int16_t value;
            std::memcpy(&value, m_blitter.m_errorRow + 2 * term, sizeof value);
            return value;
        }
        int32_t value;
        std::memcpy(&value, m_blitter.m_errorRow + 4 * term, sizeof value);
        return value;
    }

    void SetErrorTerm(int entry, int channel, int value)
    {
        const int term = entry * TermsPerEntry(m_layout) + channel;
        if (m_layout == ErrorLayout::Color) {
            const auto narrow = static_cast<int16_t>(value);
            std::memcpy(m_blitter.m_errorRow + 2 * term, &narrow, sizeof narrow);
        } else {
            const auto wide = static_cast<int32_t>(value);
            std::memcpy(m_blitter.m_errorRow + 4 * term, &wide, sizeof wide);
        }
    }

    // The whole error row, guards included, for checks that nothing changed.
    std::vector<uint8_t> ErrorRowBytes() const
    {
        const size_t total = EntryBytes() * static_cast<size_t>(m_entries + kGuardEntries);
        return {m_blitter.m_errorRow, m_blitter.m_errorRow + total};
    }

    bool ErrorGuardsIntact() const
    {
        const size_t bytes = EntryBytes() * static_cast<size_t>(m_entries);
        for (size_t i = 0; i < EntryBytes() * kGuardEntries; ++i) {
            if (m_blitter.m_errorRow[bytes + i] != kErrorGuard) {
                return false;
            }
        }
        return true;
    }

    // Converts one row into a guarded destination; returns the `count` bytes
    // written and reports whether the guard bytes survived.
    std::vector<uint8_t> Convert(BlitterFn fn, const std::vector<uint8_t>& src, int count,
                                 bool& guardsIntact)
    {
        testsupport::GuardedBuffer dst(static_cast<size_t>(count), 0x77);
        fn(&m_blitter, src.data(), dst.data(), count);
        guardsIntact = dst.GuardsIntact();
        return {dst.data(), dst.data() + count};
    }

private:
    size_t EntryBytes() const { return m_layout == ErrorLayout::Color ? 6 : 4; }

    struct DisplayReady {
        DisplayReady() { testsupport::ConfigureDisplay(vd::Kind::Palette8); }
    } m_display;
    VyrBlitter m_blitter;
    std::vector<uint8_t> m_imagePalette;
    ErrorLayout m_layout = ErrorLayout::Color;
    int m_entries = 0;
};

}  // namespace palette8test
