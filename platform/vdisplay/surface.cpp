// Storage of a surface's device pixels, one byte or one 32-bit word each.
#include <algorithm>

#include "display_state.h"

namespace vd::detail {

void Surface::Allocate(Kind newKind, int newWidth, int newHeight)
{
    kind = newKind;
    width = newWidth;
    height = newHeight;
    m_words.assign((SizeInBytes() + 3) / 4, 0);
}

uint32_t Surface::Get(int x, int y) const
{
    return BytePixels() ? Row<uint8_t>(y)[x] : Row<uint32_t>(y)[x];
}

void Surface::Set(int x, int y, uint32_t pixel)
{
    if (BytePixels()) {
        Row<uint8_t>(y)[x] = static_cast<uint8_t>(pixel);
    } else {
        Row<uint32_t>(y)[x] = pixel;
    }
}

void Surface::ReadRow(int y, int x, int count, uint32_t* out) const
{
    WithPixelType(*this, [&](auto pixel) {
        const auto* row = Row<decltype(pixel)>(y) + x;
        std::copy(row, row + count, out);
    });
}

void Surface::Fill(uint32_t pixel)
{
    WithPixelType(*this, [&](auto type) {
        using Pixel = decltype(type);
        auto* first = Row<Pixel>(0);
        std::fill(first, first + PixelCount(), static_cast<Pixel>(pixel));
    });
}

}  // namespace vd::detail
