#pragma once

#include <memory>
#include <vector>

#include "simulator/draw_queue.h"
#include "simulator/overlay.h"

namespace velmora {

// Items that change far less often than the frames that show them (the planned path changes only
// on an edit or a change of view). A renderer that keeps pictures draws them once into a picture
// of their own and composes that picture into every frame that shows the same layer; one that
// does not draws the items in their place. Never changed once made: another drawing is another
// layer, so two frames show the same layer exactly when they hold the same pointer.
struct CachedLayer {
  std::vector<DrawItem> items;      // in view pixels, drawn where the frame's kCachedLayer item is
  std::vector<OverlayText> labels;  // written before the frame's own overlay texts
};

using CachedLayerPtr = std::shared_ptr<const CachedLayer>;

// The item that stands for the layer's picture in a frame's drawing order, on `layer`.
inline DrawItem CachedLayerItem(int layer) {
  DrawItem item;
  item.kind = PrimitiveKind::kCachedLayer;
  item.layer = layer;
  item.screenSpace = 1;
  return item;
}

}  // namespace velmora
