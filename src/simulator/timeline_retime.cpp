#include "simulator/timeline_retime.h"

#include <algorithm>
#include <cmath>

#include "document/document.h"
#include "document/motion.h"

namespace velmora {

namespace {

uint32_t Held(int64_t ms) {
  return static_cast<uint32_t>(
      std::clamp<int64_t>(ms, int64_t{kRetimeMinMs}, int64_t{kRetimeMaxMs}));
}

}  // namespace

RetimedTimes RetimeByDrag(uint32_t time, std::optional<uint32_t> next, double deltaMs, bool shift) {
  RetimedTimes out{time, next};
  if (!std::isfinite(deltaMs)) return out;
  // A movement of less than half a step leaves the time exactly as it was, even an odd one read
  // from a file.
  const double steps = std::round(deltaMs / kRetimeStepMs);
  if (steps == 0) return out;
  const double wanted = std::round((time + deltaMs) / kRetimeStepMs) * kRetimeStepMs;
  out.time = Held(static_cast<int64_t>(std::clamp(wanted, -1.0, 1e9)));
  if (!shift || !next) return out;
  // The boundary moves: what one move gains the other gives up, within the range of both.
  const int64_t gained = int64_t{out.time} - int64_t{time};
  const uint32_t nextTime = Held(int64_t{*next} - gained);
  out.next = nextTime;
  out.time = Held(int64_t{time} + (int64_t{*next} - int64_t{nextTime}));
  return out;
}

bool RetimeDrag::Begin(const Motion& motion, std::size_t pose) {
  active_ = false;
  const std::optional<Pose> p = motion.PoseAt(pose);
  if (!p) return false;
  pose_ = pose;
  original_ = shown_ = p->transitionTime;
  originalNext_.reset();
  if (const std::optional<Pose> n = motion.PoseAt(pose + 1)) originalNext_ = n->transitionTime;
  shownNext_ = originalNext_;
  active_ = true;
  return true;
}

std::vector<std::size_t> RetimeDrag::Write(Motion& motion, uint32_t time,
                                           std::optional<uint32_t> next) {
  std::vector<std::size_t> rows;
  auto put = [&](std::size_t row, uint32_t t) {
    std::optional<Pose> p = motion.PoseAt(row);
    if (!p || p->transitionTime == t) return;
    p->transitionTime = t;
    if (motion.SetPose(row, *p)) rows.push_back(row);
  };
  if (time != shown_) put(pose_, time);
  shown_ = time;
  if (originalNext_) {
    const uint32_t n = next.value_or(*originalNext_);
    if (n != *shownNext_) put(pose_ + 1, n);
    shownNext_ = n;
  }
  return rows;
}

std::vector<std::size_t> RetimeDrag::Update(Motion& motion, double deltaMs, bool shift) {
  if (!active_) return {};
  const RetimedTimes t = RetimeByDrag(original_, originalNext_, deltaMs, shift);
  return Write(motion, t.time, t.next);
}

bool RetimeDrag::End(Document& doc) {
  if (!active_) return false;
  active_ = false;
  if (shown_ == original_ && shownNext_ == originalNext_) return false;
  RecordStep(doc);
  return true;
}

std::vector<std::size_t> RetimeDrag::Cancel(Motion& motion) {
  if (!active_) return {};
  std::vector<std::size_t> rows = Write(motion, original_, originalNext_);
  active_ = false;
  return rows;
}

}  // namespace velmora
