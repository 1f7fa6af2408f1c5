#include "blitter/visible_part.h"

#include <algorithm>

namespace dibdraw {

VisiblePart FindVisiblePart(HDC dc, const RECT& dst, int32_t dstW, int32_t dstH, const ConverterReach& reach,
                            int bandBits)
{
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = dstW;
    int64_t bottom = dstH;
    RECT box = {};
    const int region = GetClipBox(dc, &box);
    if (region == NULLREGION) {
        return {};
    }
    // A device context that reports no clip box shows the whole destination.
    if (region != ERROR) {
        left = std::max<int64_t>(left, int64_t{box.left} - dst.left);
        top = std::max<int64_t>(top, int64_t{box.top} - dst.top);
        right = std::min<int64_t>(right, int64_t{box.right} - dst.left);
        bottom = std::min<int64_t>(bottom, int64_t{box.bottom} - dst.top);
    }
    if (left >= right || top >= bottom) {
        return {};
    }
    VisiblePart part;
    part.width = dstW;
    part.diffused = reach.diffuses;
    part.firstSentRow = static_cast<int32_t>(top);
    part.endRow = static_cast<int32_t>(bottom);
    part.firstRow = reach.diffuses ? 0 : part.firstSentRow;
    const int64_t firstColumn = reach.diffuses ? 0 : left - left % reach.columnPeriod;
    const int64_t pixelsPerByte = bandBits < 8 ? 8 / bandBits : 1;
    part.firstColumn = static_cast<int32_t>(firstColumn);
    part.firstSentColumn = static_cast<int32_t>(firstColumn + (left - firstColumn) / pixelsPerByte * pixelsPerByte);
    part.endColumn = static_cast<int32_t>(right);
    return part;
}

}  // namespace dibdraw
