// The packed DIB at the front of a fuzz input, shared by the library's
// targets.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "dibplatform.h"

// A DIB whose header comes from the input, in a buffer of exactly the bytes
// that header describes, so that any read beyond them is caught. Sizes are
// kept to `maxSide` pixels; every other field stays as the input has it.
class FuzzedDib {
public:
    FuzzedDib(FuzzedDataProvider& input, int maxSide)
    {
        BITMAPINFOHEADER header = {};
        const std::vector<uint8_t> raw = input.ConsumeBytes<uint8_t>(sizeof header);
        std::copy(raw.begin(), raw.end(), reinterpret_cast<uint8_t*>(&header));
        header.biSize = header.biSize >= sizeof header && header.biSize <= 256 ? header.biSize : sizeof header;
        header.biWidth = header.biWidth % (maxSide + 1);
        header.biHeight = header.biHeight % (maxSide + 1);
        header.biBitCount = static_cast<WORD>(header.biBitCount % 33);
        const int64_t bits = header.biBitCount;
        const int64_t colors = bits <= 8 ? int64_t{1} << bits : 0;
        const int64_t stride = ((std::max<int64_t>(header.biWidth, 0) * bits + 31) / 8) & ~int64_t{3};
        m_size = header.biSize + 4 * colors + stride * std::max<LONG>(header.biHeight, 0);
        m_bytes = std::make_unique<uint8_t[]>(m_size);
        std::memcpy(m_bytes.get(), &header, sizeof header);
        const std::vector<uint8_t> rest = input.ConsumeBytes<uint8_t>(m_size - sizeof header);
        std::copy(rest.begin(), rest.end(), m_bytes.get() + sizeof header);
    }

    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(m_bytes.get()); }
    const uint8_t* bytes() const { return m_bytes.get(); }
    size_t size() const { return m_size; }

private:
    size_t m_size = 0;
    std::unique_ptr<uint8_t[]> m_bytes;
};
