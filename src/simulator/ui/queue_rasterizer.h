#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "simulator/render_loop.h"
#include "simulator/ui/texture_table.h"

class QPainter;

namespace velmora {

// Draws a frame's items into a back buffer: the background, then every item in queue order with
// source-over blending (with QPainter: textured fans with the texture multiplied by the vertex
// colour and smooth filtering, untextured fans in their vertex colour; lines one pixel wide
// straight into the pixels, the colour running from one end point's to the other's), then the
// overlay texts with QPainter. A finished frame is handed to `present`, which may swap the image it
// is given for another of the same size; a frame that fails is never handed over. A frame equal to
// the one presented last is not drawn: `unchanged` is told instead.
//
// A frame's cached layer (the planned path) is drawn once into two transparent pictures of its own,
// its items and its labels, which every frame showing the same layer composes: the items at the
// layer's place in the drawing order, the labels before the overlay's own texts.
class QueueRasterizer final : public FrameRenderer {
 public:
  using Present = std::function<void(QImage& frame)>;

  QueueRasterizer(QSize size, TextureTable textures, QFont font, Present present,
                  std::function<void()> unchanged = {});

  bool DrawFrame(const std::vector<DrawItem>& items,
                 const std::vector<OverlayText>& overlay) override;
  bool DrawContent(const FrameContent& frame) override;
  // The frame handed to `present` stays on show until the next one.
  bool KeepsPicture() const override { return true; }
  void FrameUnchanged() override {
    if (unchanged_) unchanged_();
  }

 private:
  bool Draw(const std::vector<DrawItem>& items, const std::vector<OverlayText>& overlay,
            const CachedLayerPtr& layer);
  void DrawFan(QPainter& painter, const DrawItem& item);
  static void DrawLines(QImage& target, const DrawItem& item);
  void DrawTexts(QPainter& painter, const std::vector<OverlayText>& texts);
  // Draws `layer` into the layer pictures unless they already show it.
  void PrepareLayer(const CachedLayerPtr& layer);
  // The texture multiplied by a colour; the plain texture for opaque white.
  const QImage& Tinted(int texture, uint32_t colour);

  QSize size_;
  QImage back_;
  TextureTable textures_;
  QFont font_;
  Present present_;
  std::function<void()> unchanged_;
  struct Tint {
    bool valid = false;
    uint32_t colour = 0;
    QImage image;
  };
  std::array<Tint, kTextureCount> tints_;  // the last tint of each texture, reused while it lasts

  // The pictures of the cached layer drawn last, and the parts of them that hold anything.
  CachedLayerPtr layer_;
  QImage layerItems_;
  QRect layerItemsRect_;
  QImage layerLabels_;
  QRect layerLabelsRect_;
};

// A texture multiplied channel by channel (alpha too) by an ARGB colour.
QImage TintImage(const QImage& texture, uint32_t colour);

}  // namespace velmora
