#pragma once

#include <QFont>
#include <QImage>
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
class QueueRasterizer final : public FrameRenderer {
 public:
  using Present = std::function<void(QImage& frame)>;

  QueueRasterizer(QSize size, TextureTable textures, QFont font, Present present,
                  std::function<void()> unchanged = {});

  bool DrawFrame(const std::vector<DrawItem>& items,
                 const std::vector<OverlayText>& overlay) override;
  // The frame handed to `present` stays on show until the next one.
  bool KeepsPicture() const override { return true; }
  void FrameUnchanged() override {
    if (unchanged_) unchanged_();
  }

 private:
  void DrawFan(QPainter& painter, const DrawItem& item);
  void DrawLines(const DrawItem& item);
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
};

// A texture multiplied channel by channel (alpha too) by an ARGB colour.
QImage TintImage(const QImage& texture, uint32_t colour);

}  // namespace velmora
