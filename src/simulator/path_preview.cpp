#include "simulator/path_preview.h"

#include <algorithm>
#include <cmath>

#include "base/c_format.h"
#include "simulator/sprites.h"

namespace velmora {

namespace {

// Points of the planned path closer than this to the last one kept add nothing visible.
constexpr float kMinStepPx = 1.5f;
constexpr float kMaxDeviationPx = 0.5f;
constexpr std::size_t kMaxRun = 64;
constexpr float kDashOnPx = 3.0f;
constexpr float kDashOffPx = 3.0f;
// Pose numbers are placed on a grid of cells; a number whose cells are taken is left out.
constexpr int kLabelCell = 6;
constexpr int kLabelHeight = 12;
constexpr int kLabelCharWidth = 6;

struct Px {
  float x = 0, y = 0;
};

class ViewMap {
 public:
  explicit ViewMap(const PathFrameInputs& in)
      : view_(ViewTransform(in.scaling, in.width, in.height)) {}
  Px operator()(double x, double y) const {
    const Vec3f p = TransformCoord({static_cast<float>(x), static_cast<float>(-y), 0.0f}, view_);
    return {p.x, p.y};
  }

 private:
  Matrix4 view_;
};

SceneVertex Vertex(Px p, uint32_t colour) {
  SceneVertex v;
  v.x = p.x;
  v.y = p.y;
  v.colour = colour;
  return v;
}

DrawItem LineItem(PrimitiveKind kind, std::vector<SceneVertex> vertices) {
  DrawItem item;
  item.kind = kind;
  item.primitiveCount = kind == PrimitiveKind::kLineList ? static_cast<int>(vertices.size() / 2)
                                                         : static_cast<int>(vertices.size()) - 1;
  item.vertices = std::move(vertices);
  item.layer = kLayerBase;
  item.texture = kNoTexture;
  item.screenSpace = 1;
  return item;
}

// A solid segment. One pixel wide, like everything the view draws: a drawing of a thousand Poses
// covers a good part of the view, and a second pixel would double the frame's line work.
void AddSolid(std::vector<SceneVertex>& out, Px a, Px b, uint32_t colour) {
  out.push_back(Vertex(a, colour));
  out.push_back(Vertex(b, colour));
}

// A dotted segment; `phase` carries the dash pattern on from one segment to the next.
void AddDotted(std::vector<SceneVertex>& out, Px a, Px b, uint32_t colour, float& phase) {
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  const float length = std::hypot(dx, dy);
  if (!(length > 0)) return;
  const float period = kDashOnPx + kDashOffPx;
  float at = 0;
  while (at < length) {
    const float inPeriod = std::fmod(phase + at, period);
    if (inPeriod < kDashOnPx) {
      const float end = std::min(length, at + (kDashOnPx - inPeriod));
      out.push_back(Vertex({a.x + dx * at / length, a.y + dy * at / length}, colour));
      out.push_back(Vertex({a.x + dx * end / length, a.y + dy * end / length}, colour));
      at = end;
    } else {
      at += period - inPeriod;
    }
  }
  phase = std::fmod(phase + length, period);
}

void AddDot(std::vector<SceneVertex>& out, Px p) {
  const float x = std::round(p.x);
  const float y = std::round(p.y);
  for (float row = -1; row <= 1; ++row) {
    out.push_back(Vertex({x - 1, y + row}, kPoseDotColour));
    out.push_back(Vertex({x + 2, y + row}, kPoseDotColour));
  }
}

// Which cells of the view the numbers already cover.
class LabelGrid {
 public:
  LabelGrid(int width, int height)
      : columns_(std::max(1, width / kLabelCell + 1)),
        rows_(std::max(1, height / kLabelCell + 1)),
        taken_(static_cast<std::size_t>(columns_ * rows_), false) {}

  // Takes the cells of the box and returns true, or returns false when one is taken or the box
  // leaves the view.
  bool Take(int x, int y, int width, int height) {
    const int c0 = x / kLabelCell;
    const int r0 = y / kLabelCell;
    const int c1 = (x + width - 1) / kLabelCell;
    const int r1 = (y + height - 1) / kLabelCell;
    if (x < 0 || y < 0 || c1 >= columns_ || r1 >= rows_) return false;
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) {
        if (taken_[static_cast<std::size_t>(r * columns_ + c)]) return false;
      }
    }
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) taken_[static_cast<std::size_t>(r * columns_ + c)] = true;
    }
    return true;
  }

 private:
  int columns_;
  int rows_;
  std::vector<bool> taken_;
};

void AddMoveHighlight(const PlannedPath& path, std::size_t pose, const ViewMap& map,
                      DrawQueue& queue) {
  if (pose < path.first) return;
  const std::size_t n = pose - path.first;
  if (n >= path.PoseCount()) return;
  const std::size_t from = path.poseStart[n];
  const std::size_t to = n + 1 < path.PoseCount() ? path.poseStart[n + 1] : path.points.size();
  std::vector<SceneVertex> v;
  Px last = map(path.points[from].x, path.points[from].y);
  for (std::size_t i = from + 1; i < to; ++i) {
    const Px p = map(path.points[i].x, path.points[i].y);
    AddSolid(v, last, p, kCurrentMoveColour);
    last = p;
  }
  if (!v.empty()) queue.QueueItem(LineItem(PrimitiveKind::kLineList, std::move(v)));
}

}  // namespace

CachedLayerPtr PathPreview::DrawPlan(const PlannedPath& path, const PathFrameInputs& in,
                                     bool labels) const {
  auto d = std::make_shared<CachedLayer>();
  if (path.points.empty()) return d;
  const ViewMap map(in);
  std::vector<SceneVertex> solid;
  std::vector<SceneVertex> dotted;
  std::vector<SceneVertex> dots;
  float phase = 0;
  // The path is drawn as few segments as show it within half a pixel: a run of points is
  // replaced by one segment while every point of it lies that close to the segment (a Linear
  // move becomes one segment, an arc a few dozen).
  std::vector<Px> run;
  auto emit = [&](bool down) {
    if (run.size() < 2) return;
    if (down) {
      AddSolid(solid, run.front(), run.back(), kPenDownPathColour);
    } else {
      AddDotted(dotted, run.front(), run.back(), kPenUpPathColour, phase);
    }
    const Px end = run.back();
    run.clear();
    run.push_back(end);
  };
  auto fits = [&run](Px p) {
    const Px a = run.front();
    const float dx = p.x - a.x;
    const float dy = p.y - a.y;
    const float length = std::hypot(dx, dy);
    if (length < kMinStepPx) return true;
    for (std::size_t k = 1; k < run.size(); ++k) {
      const float cross = std::fabs((run[k].x - a.x) * dy - (run[k].y - a.y) * dx);
      const float along = (run[k].x - a.x) * dx + (run[k].y - a.y) * dy;
      if (cross > kMaxDeviationPx * length || along < 0 || along > length * length) return false;
    }
    return true;
  };
  run.push_back(map(path.points[0].x, path.points[0].y));
  bool runDown = path.points[0].z < in.vpenTh;
  for (std::size_t i = 1; i < path.points.size(); ++i) {
    const PathPoint& point = path.points[i];
    const bool down = point.z < in.vpenTh;
    const Px p = map(point.x, point.y);
    if (down != runDown) {
      // The pen goes down or up on the way to this point: the segment to it belongs to the new
      // state only when both ends are down.
      run.push_back(p);
      emit(runDown && down);
      runDown = down;
      continue;
    }
    if (run.size() >= kMaxRun || !fits(p)) emit(runDown);
    run.push_back(p);
  }
  emit(runDown);
  // Each Pose's dot sits where its move ends.
  LabelGrid grid(in.width, in.height);
  for (std::size_t n = 0; n < path.PoseCount(); ++n) {
    const std::size_t end =
        n + 1 < path.PoseCount() ? path.poseStart[n + 1] - 1 : path.points.size() - 1;
    const Px p = map(path.points[end].x, path.points[end].y);
    AddDot(dots, p);
    if (!labels) continue;
    std::string number = FormatInt(static_cast<int64_t>(path.first + n) + 1);
    const int x = static_cast<int>(std::lround(p.x)) + 3;
    const int y = static_cast<int>(std::lround(p.y)) - kLabelHeight - 1;
    if (grid.Take(x, y, kLabelCharWidth * static_cast<int>(number.size()), kLabelHeight)) {
      d->labels.push_back({x, y, std::move(number), kPoseNumberRgb});
    }
  }
  if (!dotted.empty()) d->items.push_back(LineItem(PrimitiveKind::kLineList, std::move(dotted)));
  if (!solid.empty()) d->items.push_back(LineItem(PrimitiveKind::kLineList, std::move(solid)));
  if (!dots.empty()) d->items.push_back(LineItem(PrimitiveKind::kLineList, std::move(dots)));
  return d;
}

void PathPreview::Queue(const PathFrameInputs& in,
                        const std::shared_ptr<const CheckedMotion>& planned,
                        const MeasuredPath& measured, DrawQueue& queue,
                        std::vector<OverlayText>& texts, CachedLayerPtr* layer) {
  PathFrameInputs drawKey = in;
  drawKey.currentPose = 0;  // the highlight is drawn anew every frame
  CachedLayerPtr shown;

  if (in.preview && planned != nullptr) {
    if (plannedLayer_ == nullptr || plannedKey_ != drawKey || planned_ != planned) {
      plannedLayer_ = DrawPlan(planned->path, in, /*labels=*/true);
      planned_ = planned;
      plannedKey_ = drawKey;
    }
    shown = plannedLayer_;
    queue.QueueItem(CachedLayerItem(kLayerBase));
    AddMoveHighlight(planned->path, in.currentPose, ViewMap(in), queue);
  } else {
    plannedLayer_.reset();
    planned_.reset();
  }

  if (!measuredValid_ || measuredKey_ != drawKey) {
    measured_ = measured.View();
    measuredDrawing_ = Drawing{};
    measuredLayer_.reset();
    if (!measured_.Empty()) {
      // The plan of the playback lies under what the robot did, unless the preview shows one. It
      // comes when the playback has ended, and is drawn once per plan and view.
      if (!in.preview && measured_.planned != nullptr) {
        PathFrameInputs planKey = drawKey;
        planKey.measuredRevision = 0;
        if (measuredPlanSource_ != measured_.planned || measuredPlanKey_ != planKey ||
            measuredPlanLayer_ == nullptr) {
          measuredPlanLayer_ = DrawPlan(*measured_.planned, in, /*labels=*/false);
          measuredPlanSource_ = measured_.planned;
          measuredPlanKey_ = planKey;
        }
        measuredLayer_ = measuredPlanLayer_;
      }
      const ViewMap map(in);
      std::vector<SceneVertex> v;
      for (const MeasuredSample& s : measured_.samples) {
        v.push_back(Vertex(map(s.x, s.y), kMeasuredPathColour));
      }
      if (v.size() >= 2) {
        measuredDrawing_.items.push_back(LineItem(PrimitiveKind::kLineStrip, std::move(v)));
      }
      if (measured_.result) {
        measuredDrawing_.labels.push_back(
            {2, in.height - 18, DeviationText(*measured_.result), kOverlayRed});
      }
    }
    measuredKey_ = drawKey;
    measuredValid_ = true;
  }
  // The preview and the plan under the measured path are never shown together.
  if (measuredLayer_ != nullptr && shown == nullptr) {
    shown = measuredLayer_;
    queue.QueueItem(CachedLayerItem(kLayerBase));
  }
  for (const DrawItem& item : measuredDrawing_.items) queue.QueueItem(item);
  texts.insert(texts.end(), measuredDrawing_.labels.begin(), measuredDrawing_.labels.end());
  if (layer != nullptr) *layer = std::move(shown);
}

}  // namespace velmora
