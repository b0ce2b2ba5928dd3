#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "geometry/pose.h"
#include "geometry/matrix.h"
#include "geometry/settings.h"
#include "simulator/draw_queue.h"

namespace velmora {

// The most points the trace buffer is made for. VPEN_POINTS is an unsigned count, so a negative
// entry reads as about four billion; the buffer stops here (about half an hour of frames) instead
// of failing to be made.
inline constexpr uint32_t kMaxPenPoints = 100000;

// The line a pen held by the arm would leave: one point per frame, oldest first, in view pixels of
// the frame that recorded it. Each point keeps the tool height in `u`. Owned by the render thread.
struct PenTrace {
  std::vector<SceneVertex> points;
  uint32_t pointCount() const { return static_cast<uint32_t>(points.size()); }
};

// The number of points the buffer is made for, for a VPEN_POINTS value.
uint32_t PenBufferSize(uint32_t vpenPoints);

// Makes the buffer anew (all zero, and erased) when it does not have the size VPEN_POINTS asks for.
void EnsurePenTrace(PenTrace& trace, uint32_t vpenPoints, std::atomic<bool>& penTraceReset);

// Records the tool of this frame's Pose as the newest point, recolours every point against the
// drawing threshold (and the fade), erases the trace when asked, and queues it as one screen-space
// line strip. Does nothing while the pen is disabled.
void AddPenPoint(PenTrace& trace, const Pose& pose, const Settings& settings,
                 const Matrix4& viewTransform, std::atomic<bool>& penTraceReset, DrawQueue& queue);

// The heights the mouse handling gives the tool while dragging: pushed in below the threshold when
// the right button goes down, lifted a quarter of the way up to 35 mm when it goes up.
double PenDownHeight(const Settings& settings);
double PenUpHeight(const Settings& settings);

}  // namespace velmora
