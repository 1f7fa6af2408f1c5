// The rectangles of one render, and the texts that describe them.
#include <algorithm>
#include <climits>

#include "core/dib_layout.h"
#include "tools/option_table.h"

namespace dibtool {

std::string SizeText(Size s)
{
    return (s.width != 0 ? std::to_string(s.width) : "") + "x" + (s.height != 0 ? std::to_string(s.height) : "");
}

std::string ScreenSizeProblem(Size s)
{
    if (s.width > kMaxImageSide || s.height > kMaxImageSide ||
        int64_t{s.width} * s.height > kMaxImagePixels) {
        return "a screen of " + SizeText(s) + " is too large (at most " + std::to_string(kMaxImageSide) +
               " pixels on a side and " + std::to_string(kMaxImagePixels) + " in all)";
    }
    return {};
}

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ResolveGeometry(const Options& options, int imageWidth, int imageHeight, Geometry& geometry)
{
    geometry.src = options.src.value_or(RECT{0, 0, imageWidth, imageHeight});
    // The source as the library clips it; nothing when it starts right of or
    // below the image.
    BITMAPINFOHEADER image{};
    image.biWidth = imageWidth;
    image.biHeight = imageHeight;
    RECT clipped = geometry.src;
    const bool inside = dibdraw::ClipSource(image, clipped);
    const int64_t srcWidth = inside ? std::max<int64_t>(0, int64_t{clipped.right} - clipped.left) : 0;
    const int64_t srcHeight = inside ? std::max<int64_t>(0, int64_t{clipped.bottom} - clipped.top) : 0;
    if (options.dst) {
        geometry.dst = *options.dst;
    } else if (options.size) {
        int64_t width = options.size->width;
        int64_t height = options.size->height;
        if (width == 0 || height == 0) {
            if (srcWidth == 0 || srcHeight == 0) {
                return "--size " + SizeText(*options.size) +
                       " keeps the source's aspect ratio, but the clipped source is empty";
            }
            // The side left out, rounded to the nearest pixel.
            if (width == 0) {
                width = std::max<int64_t>(1, (2 * height * srcWidth + srcHeight) / (2 * srcHeight));
            } else {
                height = std::max<int64_t>(1, (2 * width * srcHeight + srcWidth) / (2 * srcWidth));
            }
        }
        geometry.dst = RECT{0, 0, static_cast<LONG>(std::min<int64_t>(width, INT_MAX)),
                            static_cast<LONG>(std::min<int64_t>(height, INT_MAX))};
    } else {
        geometry.dst = RECT{0, 0, static_cast<LONG>(srcWidth), static_cast<LONG>(srcHeight)};
    }
    if (options.screen) {
        geometry.screen = *options.screen;
    } else {
        int64_t width = std::max<int64_t>(1, geometry.dst.right);
        int64_t height = std::max<int64_t>(1, geometry.dst.bottom);
        if (options.window) {
            width = std::max<int64_t>(width, options.window->right);
            height = std::max<int64_t>(height, options.window->bottom);
        }
        const Size screen{static_cast<int>(std::min<int64_t>(width, INT_MAX)),
                          static_cast<int>(std::min<int64_t>(height, INT_MAX))};
        if (std::string problem = ScreenSizeProblem(screen); !problem.empty()) {
            return problem + "; give a smaller destination or --screen";
        }
        geometry.screen = screen;
    }
    geometry.window = options.window.value_or(RECT{0, 0, geometry.screen.width, geometry.screen.height});
    const RECT& w = geometry.window;
    if (w.left < 0 || w.top < 0 || w.right > geometry.screen.width || w.bottom > geometry.screen.height) {
        return "--window " + RectText(w) + " does not fit in the " + SizeText(geometry.screen) + " screen";
    }
    return {};
}

}  // namespace dibtool
