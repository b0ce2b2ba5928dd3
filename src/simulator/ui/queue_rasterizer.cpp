#include "simulator/ui/queue_rasterizer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <cmath>
#include <utility>

#include "simulator/line_raster.h"

namespace velmora {

namespace {

QColor Argb(uint32_t colour) { return QColor::fromRgba(colour); }

uint32_t Alpha(uint32_t colour) { return colour >> 24; }

// x * y / 255, rounded.
uint32_t Mul255(uint32_t x, uint32_t y) {
  const uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

// The affine map that takes the source triangle onto the destination triangle; false for a
// degenerate source.
bool TriangleMap(const QPointF s[3], const QPointF d[3], QTransform* out) {
  const double sx1 = s[1].x() - s[0].x(), sy1 = s[1].y() - s[0].y();
  const double sx2 = s[2].x() - s[0].x(), sy2 = s[2].y() - s[0].y();
  const double dx1 = d[1].x() - d[0].x(), dy1 = d[1].y() - d[0].y();
  const double dx2 = d[2].x() - d[0].x(), dy2 = d[2].y() - d[0].y();
  const double det = sx1 * sy2 - sx2 * sy1;
  if (det == 0.0 || !std::isfinite(det)) return false;
  const double a11 = (dx1 * sy2 - dx2 * sy1) / det;
  const double a12 = (dx2 * sx1 - dx1 * sx2) / det;
  const double a21 = (dy1 * sy2 - dy2 * sy1) / det;
  const double a22 = (dy2 * sx1 - dy1 * sx2) / det;
  const double tx = d[0].x() - a11 * s[0].x() - a12 * s[0].y();
  const double ty = d[0].y() - a21 * s[0].x() - a22 * s[0].y();
  if (!std::isfinite(a11 + a12 + a21 + a22 + tx + ty)) return false;
  *out = QTransform(a11, a21, a12, a22, tx, ty);
  return true;
}

bool Finite(const SceneVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// True when the four texture coordinates are the four corners of the texture: the image's own
// border is then the quad's border and no clipping is needed.
bool CoversWholeTexture(const std::vector<SceneVertex>& v) {
  if (v.size() != 4) return false;
  int corners = 0;
  for (const SceneVertex& p : v) {
    if ((p.u != 0.0f && p.u != 1.0f) || (p.v != 0.0f && p.v != 1.0f)) return false;
    corners |= 1 << ((p.u == 1.0f ? 1 : 0) + (p.v == 1.0f ? 2 : 0));
  }
  return corners == 0xF;
}

}  // namespace

QImage TintImage(const QImage& texture, uint32_t colour) {
  QImage out = texture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const uint32_t ca = Alpha(colour);
  const uint32_t cr = Mul255((colour >> 16) & 0xFF, ca);
  const uint32_t cg = Mul255((colour >> 8) & 0xFF, ca);
  const uint32_t cb = Mul255(colour & 0xFF, ca);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<uint32_t*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const uint32_t p = line[x];
      line[x] = (Mul255(p >> 24, ca) << 24) | (Mul255((p >> 16) & 0xFF, cr) << 16) |
                (Mul255((p >> 8) & 0xFF, cg) << 8) | Mul255(p & 0xFF, cb);
    }
  }
  return out;
}

QueueRasterizer::QueueRasterizer(QSize size, TextureTable textures, QFont font, Present present,
                                 std::function<void()> unchanged)
    : size_(size),
      textures_(std::move(textures)),
      font_(std::move(font)),
      present_(std::move(present)),
      unchanged_(std::move(unchanged)) {}

const QImage& QueueRasterizer::Tinted(int texture, uint32_t colour) {
  const QImage& plain = textures_[static_cast<std::size_t>(texture)];
  if (colour == 0xFFFFFFFFu) return plain;
  Tint& t = tints_[static_cast<std::size_t>(texture)];
  if (!t.valid || t.colour != colour) {
    t.image = TintImage(plain, colour);
    t.colour = colour;
    t.valid = true;
  }
  return t.image;
}

void QueueRasterizer::DrawFan(QPainter& painter, const DrawItem& item) {
  const std::vector<SceneVertex>& v = item.vertices;
  if (v.size() < 3) return;
  for (const SceneVertex& p : v) {
    if (!Finite(p)) return;
  }
  QPolygonF polygon;
  for (const SceneVertex& p : v) polygon << QPointF(p.x, p.y);

  const bool textured = item.texture >= 0 && item.texture < kTextureCount &&
                        !textures_[static_cast<std::size_t>(item.texture)].isNull();
  // Every fan of the scene has one colour at all its corners; the first one stands for the fan.
  const uint32_t colour = v[0].colour;
  if (!textured) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(colour));
    painter.drawPolygon(polygon);
    return;
  }
  if (Alpha(colour) == 0) return;

  const QImage& image = Tinted(item.texture, colour);
  auto texel = [&](const SceneVertex& p) {
    return QPointF(static_cast<double>(p.u) * image.width(),
                   static_cast<double>(p.v) * image.height());
  };

  // A quad whose corners one affine map takes from the texture (every sprite) is drawn in one go;
  // anything else triangle by triangle, each with its own map, as the fan defines it.
  const QPointF s0[3] = {texel(v[0]), texel(v[1]), texel(v[2])};
  const QPointF d0[3] = {polygon[0], polygon[1], polygon[2]};
  QTransform map;
  bool whole = TriangleMap(s0, d0, &map);
  for (std::size_t i = 3; whole && i < v.size(); ++i) {
    const QPointF mapped = map.map(texel(v[i]));
    whole = std::fabs(mapped.x() - polygon[static_cast<int>(i)].x()) < 0.01 &&
            std::fabs(mapped.y() - polygon[static_cast<int>(i)].y()) < 0.01;
  }
  if (whole) {
    painter.save();
    if (!CoversWholeTexture(v)) painter.setClipRegion(QRegion(polygon.toPolygon()));
    painter.setTransform(map, true);
    painter.drawImage(QPointF(0, 0), image);
    painter.restore();
    return;
  }
  for (std::size_t i = 1; i + 1 < v.size(); ++i) {
    const QPointF s[3] = {texel(v[0]), texel(v[i]), texel(v[i + 1])};
    const QPointF d[3] = {polygon[0], polygon[static_cast<int>(i)],
                          polygon[static_cast<int>(i + 1)]};
    QTransform t;
    if (!TriangleMap(s, d, &t)) continue;
    QPainterPath clip;
    clip.addPolygon(QPolygonF({d[0], d[1], d[2]}));
    clip.closeSubpath();
    painter.save();
    painter.setClipPath(clip);
    painter.setTransform(t, true);
    painter.drawImage(QPointF(0, 0), image);
    painter.restore();
  }
}

void QueueRasterizer::DrawLines(QImage& target, const DrawItem& item) {
  // Lines go straight into the pixels: per-pixel colour interpolation and the blending of
  // translucent one-pixel lines are far cheaper here than through a gradient pen.
  PixelBuffer buffer;
  buffer.pixels = reinterpret_cast<uint32_t*>(target.bits());
  buffer.width = target.width();
  buffer.height = target.height();
  buffer.stride = static_cast<int>(target.bytesPerLine() / 4);
  DrawLineItem(buffer, item);
}

void QueueRasterizer::DrawTexts(QPainter& painter, const std::vector<OverlayText>& texts) {
  const QRect bounds(QPoint(0, 0), size_);
  for (const OverlayText& t : texts) {
    painter.setPen(QColor::fromRgb(t.rgb));
    painter.drawText(QRect(t.x, t.y, std::max(bounds.width() - t.x, 1), 64),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size())));
  }
}

void QueueRasterizer::PrepareLayer(const CachedLayerPtr& layer) {
  if (layer == layer_ && layerItems_.size() == size_) return;
  layer_ = layer;
  layerItemsRect_ = QRect();
  layerLabelsRect_ = QRect();
  if (layer == nullptr) return;
  const QRect bounds(QPoint(0, 0), size_);
  for (QImage* image : {&layerItems_, &layerLabels_}) {
    if (image->size() != size_ || image->format() != QImage::Format_ARGB32_Premultiplied) {
      *image = QImage(size_, QImage::Format_ARGB32_Premultiplied);
    }
    image->fill(Qt::transparent);
  }

  // The items as the frame would draw them in their place, onto nothing.
  if (!layer->items.empty() && !layerItems_.isNull()) {
    QPainter painter;
    if (painter.begin(&layerItems_)) {
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.translate(0.5, 0.5);
      for (const DrawItem& item : layer->items) {
        painter.setCompositionMode(item.alphaBlend != 0 ? QPainter::CompositionMode_SourceOver
                                                        : QPainter::CompositionMode_Source);
        if (item.kind == PrimitiveKind::kTriangleFan) {
          DrawFan(painter, item);
        } else if (item.kind != PrimitiveKind::kCachedLayer) {
          DrawLines(layerItems_, item);
        }
      }
      painter.end();
    }
    // Only the part that holds anything is composed into the frames.
    float left = 0, top = 0, right = -1, bottom = -1;
    for (const DrawItem& item : layer->items) {
      for (const SceneVertex& v : item.vertices) {
        if (!Finite(v)) continue;
        if (right < left) {
          left = right = v.x;
          top = bottom = v.y;
        }
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        top = std::min(top, v.y);
        bottom = std::max(bottom, v.y);
      }
    }
    if (right >= left) {
      // A pixel beyond every end point on each side, for rounding.
      const QRect box(QPoint(static_cast<int>(std::floor(std::max(left, -1.0f))) - 1,
                             static_cast<int>(std::floor(std::max(top, -1.0f))) - 1),
                      QPoint(static_cast<int>(std::ceil(std::min(right, 1e6f))) + 1,
                             static_cast<int>(std::ceil(std::min(bottom, 1e6f))) + 1));
      layerItemsRect_ = box.intersected(bounds);
    }
  }

  if (!layer->labels.empty() && !layerLabels_.isNull()) {
    QPainter painter;
    if (painter.begin(&layerLabels_)) {
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      painter.setFont(font_);
      DrawTexts(painter, layer->labels);
      painter.end();
    }
    const QFontMetrics metrics(font_);
    for (const OverlayText& t : layer->labels) {
      const QString text = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
      const QRect box(t.x, t.y, metrics.horizontalAdvance(text) + 4, metrics.height() + 4);
      layerLabelsRect_ = layerLabelsRect_.united(box.adjusted(-2, -2, 0, 0));
    }
    layerLabelsRect_ = layerLabelsRect_.intersected(bounds);
  }
}

bool QueueRasterizer::DrawFrame(const std::vector<DrawItem>& items,
                                const std::vector<OverlayText>& overlay) {
  return Draw(items, overlay, nullptr);
}

bool QueueRasterizer::DrawContent(const FrameContent& frame) {
  return Draw(frame.items, frame.overlay, frame.layer);
}

bool QueueRasterizer::Draw(const std::vector<DrawItem>& items,
                           const std::vector<OverlayText>& overlay, const CachedLayerPtr& layer) {
  if (size_.isEmpty()) return false;
  if (back_.size() != size_ || back_.format() != QImage::Format_ARGB32_Premultiplied) {
    back_ = QImage(size_, QImage::Format_ARGB32_Premultiplied);
  }
  if (back_.isNull()) return false;
  PrepareLayer(layer);

  QPainter painter;
  if (!painter.begin(&back_)) return false;
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(QRect(QPoint(0, 0), size_), Argb(kBackgroundColour));
  // Edges are not smoothed, as without multisampling; textures are filtered.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

  // Vertex positions put pixel centres on whole numbers; QPainter puts them on halves.
  painter.translate(0.5, 0.5);
  for (const DrawItem& item : items) {
    painter.setCompositionMode(item.alphaBlend != 0 ? QPainter::CompositionMode_SourceOver
                                                    : QPainter::CompositionMode_Source);
    if (item.kind == PrimitiveKind::kCachedLayer) {
      if (layer != nullptr && !layerItemsRect_.isEmpty()) {
        painter.save();
        painter.resetTransform();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(layerItemsRect_.topLeft(), layerItems_, layerItemsRect_);
        painter.restore();
      }
    } else if (item.kind == PrimitiveKind::kTriangleFan) {
      DrawFan(painter, item);
    } else {
      DrawLines(back_, item);
    }
  }

  painter.resetTransform();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (layer != nullptr && !layerLabelsRect_.isEmpty()) {
    painter.drawImage(layerLabelsRect_.topLeft(), layerLabels_, layerLabelsRect_);
  }
  painter.setFont(font_);
  DrawTexts(painter, overlay);
  if (!painter.end()) return false;
  present_(back_);
  return true;
}

}  // namespace velmora
