#include "simulator/line_raster.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace velmora {

namespace {

// The pixel whose centre is nearest to v.
double PixelOf(double v) { return std::floor(v + 0.5); }

uint32_t Blend(uint32_t dst, uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  // Source-over on premultiplied pixels: src * alpha + dst * (1 - alpha).
  const uint32_t inv = 255 - a;
  auto mix = [&](uint32_t src, int shift) {
    const uint32_t d = (dst >> shift) & 0xFFu;
    const uint32_t s = (src * a + 127) / 255;
    return std::min<uint32_t>(255, s + (d * inv + 127) / 255) << shift;
  };
  return mix(255, 24) | mix(r, 16) | mix(g, 8) | mix(b, 0);
}

}  // namespace

void DrawLineSegment(PixelBuffer& buffer, const SceneVertex& a, const SceneVertex& b, bool blend) {
  if (buffer.pixels == nullptr || buffer.width <= 0 || buffer.height <= 0) return;
  const double ax = a.x, ay = a.y, bx = b.x, by = b.y;
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) return;
  const double dx = bx - ax;
  const double dy = by - ay;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const double d = xMajor ? dx : dy;
  if (d == 0.0) return;
  const double start = PixelOf(xMajor ? ax : ay);
  const double end = PixelOf(xMajor ? bx : by);  // not drawn
  if (start == end) return;
  const int step = end > start ? 1 : -1;
  // Walk only the part of the major axis inside the buffer.
  const double limit = xMajor ? buffer.width : buffer.height;
  const double first = step > 0 ? std::max(start, 0.0) : std::min(start, limit - 1);
  const double last = step > 0 ? std::min(end - 1, limit - 1) : std::max(end + 1, 0.0);
  if (step > 0 ? first > last : first < last) return;

  const float ca[4] = {
      static_cast<float>(a.colour >> 24), static_cast<float>((a.colour >> 16) & 0xFF),
      static_cast<float>((a.colour >> 8) & 0xFF), static_cast<float>(a.colour & 0xFF)};
  const float cb[4] = {
      static_cast<float>(b.colour >> 24), static_cast<float>((b.colour >> 16) & 0xFF),
      static_cast<float>((b.colour >> 8) & 0xFF), static_cast<float>(b.colour & 0xFF)};
  const bool solid = a.colour == b.colour;
  // An opaque line of one colour covers its pixels whatever they held: source-over with alpha 255
  // gives the colour itself, so the per-pixel blend is skipped.
  const bool opaque = solid && (a.colour >> 24) == 0xFF;

  const int from = static_cast<int>(first);
  const int to = static_cast<int>(last);
  for (int m = from;; m += step) {
    const double t = std::clamp((m - (xMajor ? ax : ay)) / d, 0.0, 1.0);
    const double minor = PixelOf(xMajor ? ay + t * dy : ax + t * dx);
    const double minorLimit = xMajor ? buffer.height : buffer.width;
    if (minor >= 0 && minor < minorLimit) {
      const int x = xMajor ? m : static_cast<int>(minor);
      const int y = xMajor ? static_cast<int>(minor) : m;
      uint32_t& px = buffer.pixels[static_cast<std::ptrdiff_t>(y) * buffer.stride + x];
      if (opaque) {
        px = a.colour;
        if (m == to) break;
        continue;
      }
      uint32_t channel[4];
      for (int c = 0; c < 4; ++c) {
        channel[c] = solid ? static_cast<uint32_t>(ca[c])
                           : static_cast<uint32_t>(ca[c] + static_cast<float>(t) * (cb[c] - ca[c]));
      }
      if (blend) {
        if (channel[0] != 0) px = Blend(px, channel[0], channel[1], channel[2], channel[3]);
      } else {
        const uint32_t al = channel[0];
        px = (al << 24) | (((channel[1] * al + 127) / 255) << 16) |
             (((channel[2] * al + 127) / 255) << 8) | ((channel[3] * al + 127) / 255);
      }
    }
    if (m == to) break;
  }
}

void DrawLineItem(PixelBuffer& buffer, const DrawItem& item) {
  const std::vector<SceneVertex>& v = item.vertices;
  const bool strip = item.kind == PrimitiveKind::kLineStrip;
  const std::size_t segments = strip ? (v.size() < 2 ? 0 : v.size() - 1) : v.size() / 2;
  const std::size_t count =
      std::min(segments, static_cast<std::size_t>(std::max(item.primitiveCount, 0)));
  const bool blend = item.alphaBlend != 0;
  for (std::size_t i = 0; i < count; ++i) {
    const SceneVertex& a = strip ? v[i] : v[2 * i];
    const SceneVertex& b = strip ? v[i + 1] : v[2 * i + 1];
    if (blend && (a.colour >> 24) == 0 && (b.colour >> 24) == 0) continue;  // invisible
    DrawLineSegment(buffer, a, b, blend);
  }
}

}  // namespace velmora
