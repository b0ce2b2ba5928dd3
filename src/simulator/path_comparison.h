#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "simulator/draw_queue.h"

namespace velmora {

inline constexpr uint32_t kRecordedPathColour = 0xC0808080u;
inline constexpr uint32_t kSimplifiedPathColour = 0xFFE06000u;
inline constexpr uint32_t kKeyframeColour = 0xFF000000u;
inline constexpr uint32_t kDrawingStrokeColour = 0xFF1040C0u;
inline constexpr uint32_t kDrawingTravelColour = 0xFF707070u;
inline constexpr uint32_t kDrawingOutsideColour = 0xFFFF0000u;

// Two tool paths to compare, in user coordinates (mm): a recording and what replaces it, with the
// points where the replacing Poses end.
struct PathPair {
  struct Point {
    float x = 0, y = 0;
  };
  std::vector<Point> recorded;
  std::vector<Point> replacement;
  std::vector<Point> keyframes;
  // A drawing being placed: its strokes, the pen-up travel between them, and the parts out of
  // reach.
  std::vector<std::vector<Point>> strokes;
  std::vector<std::vector<Point>> travel;
  std::vector<std::vector<Point>> outside;
};

// What the simplify dialog shows over the simulator while it is open. The UI thread sets and
// clears it; the render thread draws it every frame.
class PathComparison {
 public:
  void Show(PathPair paths);
  void Clear();
  std::shared_ptr<const PathPair> Get() const;

 private:
  mutable std::mutex mutex_;  // guards paths_
  std::shared_ptr<const PathPair> paths_;
};

// Queues the comparison on top of the scene, in view pixels: the recording as a thin grey line,
// the replacement as a line two pixels wide in orange, each keyframe as a small black square; a
// drawing's strokes in blue, its travel dotted in grey, and what is out of reach in red.
void QueuePathComparison(const PathComparison& comparison, double scaling, int width, int height,
                         DrawQueue& queue);

}  // namespace velmora
