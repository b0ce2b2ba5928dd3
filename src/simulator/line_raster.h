#pragma once

#include <cstdint>

#include "simulator/draw_queue.h"

namespace velmora {

// A premultiplied 32-bit ARGB pixel buffer (the layout of a QImage of that format) that lines are
// drawn into directly.
struct PixelBuffer {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;  // pixels per row
};

// Draws a line one pixel wide from `a` to `b`, pixel centres on whole coordinates: one pixel per
// step along the longer axis, from the start point's pixel up to but not including the end point's,
// so the segments of a strip meet without a pixel drawn twice. The colour runs from a's to b's;
// each pixel is blended source-over (or replaces the pixel when `blend` is false). Parts outside
// the buffer are clipped; a segment without length or with a non-finite end draws nothing.
void DrawLineSegment(PixelBuffer& buffer, const SceneVertex& a, const SceneVertex& b, bool blend);

// Draws the segments of a line list or line strip item.
void DrawLineItem(PixelBuffer& buffer, const DrawItem& item);

}  // namespace velmora
