#include "simulator/ui/timeline_widget.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <string>

#include "base/c_format.h"
#include "base/string_table.h"
#include "document/motion.h"
#include "shell/ui/widget_control_view.h"
#include "simulator/path_preview.h"

namespace velmora {

namespace {

constexpr int kTimelineText = 41400;
constexpr int kFitAllText = 41402;
constexpr int kDragHintText = 41403;
constexpr int kPoseWordText = 41207;

// Playback is followed at about the simulator's own pace.
constexpr int kFollowIntervalMs = 33;
// A handle moves only once the mouse has left the spot where it was pressed.
constexpr int kDragThresholdPx = 2;
constexpr int kMinLabelPixels = 56;
constexpr double kWheelZoomPerNotch = 1.25;

const QColor kBackground(0xFA, 0xFA, 0xFA);
const QColor kLaneShade(0xF0, 0xF2, 0xF5);
const QColor kLabelBackground(0xE6, 0xE8, 0xEC);
const QColor kCurveColour(0x30, 0x50, 0x90);
const QColor kBandColour(0xE0, 0x50, 0x50, 0x48);
const QColor kLimitLineColour(0xC0, 0x30, 0x30);
const QColor kKeyLineColour(0, 0, 0, 0x22);
const QColor kPlayheadColour(0xE0, 0x00, 0x00);
const QColor kHandleColour(0x70, 0x70, 0x78);

QColor Argb(uint32_t argb) { return QColor::fromRgba(argb); }

QString LaneName(int id) {
  return id == kToolHeightLane ? QStringLiteral("z") : QStringLiteral("ID%1").arg(id);
}

// A vertical line drawn in pieces of at most 64 pixels: Qt hands a fill of more rows than that to
// its thread pool, whose wake-ups cost far more than the line itself.
void VerticalLine(QPainter& p, double x, double top, double bottom) {
  constexpr double kPiece = 64;
  for (double y = top; y < bottom; y += kPiece) {
    p.drawLine(QPointF(x, y), QPointF(x, std::min(bottom, y + kPiece)));
  }
}

void Polyline(QPainter& p, const std::vector<TimelinePoint>& points) {
  if (points.size() < 2) return;
  QPolygonF poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const TimelinePoint& pt : points) poly << QPointF(pt.x, pt.y);
  p.drawPolyline(poly);
}

}  // namespace

TimelineWidget::TimelineWidget(SimulatorContext state, Hooks hooks, QWidget* parent)
    : QWidget(parent), state_(state), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("timeline"));
  setAccessibleName(ToQString(LoadText(kTimelineText)));
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
  setMinimumHeight(120);
  fit_ = new QToolButton(this);
  fit_->setObjectName(QStringLiteral("timelineFitAll"));
  fit_->setText(QStringLiteral("⇔"));
  fit_->setToolTip(ToQString(LoadText(kFitAllText)));
  fit_->setAutoRaise(true);
  fit_->setGeometry(2, 1, kTimelineLabelWidth - 4,
                    kTimelineRulerHeight + kTimelineHandleHeight - 2);
  connect(fit_, &QToolButton::clicked, this, [this] { FitAll(); });
  follow_.setInterval(kFollowIntervalMs);
  connect(&follow_, &QTimer::timeout, this, [this] { FollowPlayback(); });
  layout_ = LayOutTimeline(width(), height(), 1);
  FitViewToLayout(view_, layout_);
}

TimelineWidget::~TimelineWidget() { state_.simulator.scrub.Set(std::nullopt); }

void TimelineWidget::Refresh() {
  const std::shared_ptr<const CheckedMotion> latest = state_.analysis.Latest();
  const int axes = state_.linkControls.AxisChoice() == 3 ? 3 : 5;
  const bool changed = latest != checked_ || axes != modelAxes_;
  if (changed) {
    checked_ = latest;
    modelAxes_ = axes;
    Rebuild();
  }
  // A playback starts: the arm shows the robot again and the playhead follows it.
  const bool playing = state_.busy.playing.load();
  if (playing && !follow_.isActive()) {
    ReleaseScrub();
    followedPose_ = SIZE_MAX;
    follow_.start();
    FollowPlayback();
  } else if (!playing && follow_.isActive()) {
    follow_.stop();
  }
  // Another current Pose or another plan: the simulator shows the current Pose again.
  if (scrubbing_ && gesture_ != Gesture::kPlayhead &&
      (state_.document.motion.CurrentIndex() != scrubCurrent_ ||
       model_.revision != scrubRevision_)) {
    ReleaseScrub();
  }
  update();
}

void TimelineWidget::Rebuild() {
  if (checked_ == nullptr) {
    model_ = TimelineModel{};
    model_.axes = modelAxes_;
  } else {
    model_ =
        BuildTimeline(*checked_, state_.geometry.Get(), modelAxes_,
                      state_.programSettings.Get().maxServoSpeed, state_.settings.Get().vpenTh);
  }
  layout_ = LayOutTimeline(width(), height(), model_.lanes.size());
  FitViewToLayout(view_, layout_);
  if (!fitted_ && model_.duration > 0) {
    FitAll();
    fitted_ = true;
  } else {
    ScrollBy(view_, 0, model_.duration);  // held within the new length
  }
  playheadMs_ = std::clamp(playheadMs_, 0.0, static_cast<double>(model_.duration));
}

void TimelineWidget::FitAll() {
  ::velmora::FitAll(view_, model_.duration);
  update();
}

void TimelineWidget::ScrollToPose(std::size_t pose) {
  if (pose >= model_.keyTimes.size()) return;
  ScrollToShow(view_, model_.moveStart[pose], model_.keyTimes[pose], model_.duration);
  update();
}

void TimelineWidget::ReleaseScrub() {
  if (!scrubbing_) return;
  scrubbing_ = false;
  state_.simulator.scrub.Set(std::nullopt);
}

void TimelineWidget::ScrubTo(double ms) {
  playheadMs_ = std::clamp(ms, 0.0, static_cast<double>(model_.duration));
  if (checked_ != nullptr && !checked_->path.points.empty()) {
    const ScrubState s = ScrubAt(checked_->path, playheadMs_);
    state_.simulator.scrub.Set(s.motors);
    scrubbing_ = true;
    scrubCurrent_ = state_.document.motion.CurrentIndex();
    scrubRevision_ = model_.revision;
  }
  update();
}

void TimelineWidget::FollowPlayback() {
  const std::size_t pose = state_.document.motion.CurrentIndex();
  if (pose != followedPose_) {
    followedPose_ = pose;
    moveClock_.start();
  }
  const uint32_t played = hooks_.playedMoveMs ? hooks_.playedMoveMs(pose) : 0;
  playheadMs_ = PlaybackPlayhead(model_, pose, static_cast<uint32_t>(moveClock_.elapsed()), played);
  // The view pages along with the playback.
  if (view_.X(playheadMs_) > view_.plotLeft + view_.plotWidth ||
      view_.X(playheadMs_) < view_.plotLeft) {
    view_.originMs = playheadMs_ - view_.VisibleMs() * 0.1;
    ScrollBy(view_, 0, model_.duration);
  }
  update();
}

// ---- Drawing ----

void TimelineWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Draw(p);
}

void TimelineWidget::Draw(QPainter& p) {
  LanesKey key;
  key.revision = model_.revision;
  key.axes = modelAxes_;
  key.originMs = view_.originMs;
  key.msPerPixel = view_.msPerPixel;
  key.width = width();
  key.height = height();
  key.current = state_.document.motion.CurrentIndex();
  key.selected = state_.pane.Selection().SelectedBelow(model_.keyTimes.size());
  if (!lanesValid_ || !(key == lanesKey_) || lanes_.size() != size()) {
    if (lanes_.size() != size()) lanes_ = QImage(size(), QImage::Format_RGB32);
    QPainter lp(&lanes_);
    lp.setFont(font());
    DrawLanes(lp);
    lanesKey_ = std::move(key);
    lanesValid_ = true;
    ++lanesDrawn_;
  }
  p.drawImage(0, 0, lanes_);
  // The playhead over everything.
  const double x = view_.X(playheadMs_);
  if (x >= view_.plotLeft - 1 && x <= width()) {
    p.setPen(QPen(kPlayheadColour, 1));
    p.drawLine(QPointF(x, 0), QPointF(x, height()));
    p.setBrush(kPlayheadColour);
    p.drawPolygon(QPolygonF({QPointF(x - 5, 0), QPointF(x + 5, 0), QPointF(x, 8)}));
    p.setBrush(Qt::NoBrush);
  }
}

void TimelineWidget::DrawLanes(QPainter& p) {
  p.fillRect(rect(), kBackground);
  for (std::size_t i = 0; i < model_.lanes.size() && i < layout_.lanes.size(); ++i) DrawLane(p, i);
  DrawRuler(p);
  DrawHandles(p);
  // The label column over whatever the lanes drew left of the plot.
  p.fillRect(QRect(0, 0, layout_.labelWidth, height()), kLabelBackground);
  p.setPen(Qt::black);
  for (std::size_t i = 0; i < model_.lanes.size() && i < layout_.lanes.size(); ++i) {
    const TimelineBox& b = layout_.lanes[i];
    p.drawText(QRect(4, b.top, layout_.labelWidth - 6, b.bottom - b.top),
               Qt::AlignVCenter | Qt::AlignLeft, LaneName(model_.lanes[i].id));
  }
}

void TimelineWidget::DrawLane(QPainter& p, std::size_t index) {
  const TimelineLane& lane = model_.lanes[index];
  const TimelineBox& b = layout_.lanes[index];
  const QRectF box(b.left, b.top, b.right - b.left, b.bottom - b.top);
  if (index % 2 == 0) p.fillRect(box, kLaneShade);
  p.setPen(QPen(QColor(0xD0, 0xD0, 0xD8), 1));
  p.drawLine(QPointF(b.left, b.bottom - 0.5), QPointF(b.right, b.bottom - 0.5));

  // The motor's limits: what lies beyond them is a band.
  if (lane.hasLimits) {
    const float yHigh = LaneY(lane, b, lane.limitHigh);
    const float yLow = LaneY(lane, b, lane.limitLow);
    p.fillRect(QRectF(b.left, b.top, b.right - b.left, yHigh - b.top), kBandColour);
    p.fillRect(QRectF(b.left, yLow, b.right - b.left, b.bottom - yLow), kBandColour);
    p.setPen(QPen(kLimitLineColour, 1, Qt::DashLine));
    p.drawLine(QPointF(b.left, yHigh), QPointF(b.right, yHigh));
    p.drawLine(QPointF(b.left, yLow), QPointF(b.right, yLow));
  } else {
    const float y = LaneY(lane, b, lane.penThreshold);
    p.setPen(QPen(Argb(kPenDownPathColour).darker(130), 1, Qt::DotLine));
    p.drawLine(QPointF(b.left, y), QPointF(b.right, y));
  }
  if (model_.times.empty()) return;

  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(kCurveColour, 1));
  LaneCurve(model_, lane, 0, model_.times.size() - 1, view_, b, curve_);
  Polyline(p, curve_);

  // Pen-down parts of z, as the path preview draws them.
  p.setPen(QPen(Argb(kPenDownPathColour), 3, Qt::SolidLine, Qt::FlatCap));
  for (const TimelineSpan& span : lane.penDown) {
    if (model_.times[span.to] < view_.originMs ||
        model_.times[span.from] > view_.originMs + view_.VisibleMs())
      continue;
    LaneCurve(model_, lane, span.from, span.to, view_, b, curve_);
    Polyline(p, curve_);
  }
  // Too fast for the servo: in the check's colour, over a tint of the lane.
  QColor tint = Argb(kIssueColour);
  tint.setAlpha(0x40);
  for (const FlaggedSpan& span : lane.flagged) {
    const double x0 = view_.X(model_.times[span.from]);
    const double x1 = view_.X(model_.times[span.to]);
    if (x1 < view_.plotLeft || x0 > width()) continue;
    p.fillRect(QRectF(x0, b.top, std::max(1.0, x1 - x0), b.bottom - b.top), tint);
    p.setPen(QPen(Argb(kIssueColour), 3, Qt::SolidLine, Qt::FlatCap));
    LaneCurve(model_, lane, span.from, span.to, view_, b, curve_);
    Polyline(p, curve_);
  }
}

void TimelineWidget::DrawRuler(QPainter& p) {
  const TimelineBox& r = layout_.ruler;
  p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), QColor(0xEC, 0xEC, 0xEC));
  const RulerTicks ticks = RulerFor(view_, kMinLabelPixels);
  const double end = view_.originMs + view_.VisibleMs();
  p.setPen(QColor(0x40, 0x40, 0x40));
  QFont small = font();
  small.setPixelSize(10);
  p.setFont(small);
  for (double t = ticks.first; t <= end; t += ticks.step) {
    const double x = view_.X(t);
    p.drawLine(QPointF(x, r.bottom - 5), QPointF(x, r.bottom));
    const std::string label = RulerLabel(t, ticks.step);
    p.drawText(QPointF(x + 2, r.bottom - 6), QString::fromLatin1(label.c_str()));
    p.setPen(kKeyLineColour);
    VerticalLine(p, x, r.bottom, height());
    p.setPen(QColor(0x40, 0x40, 0x40));
  }
  p.drawLine(QPointF(r.left, r.bottom - 0.5), QPointF(r.right, r.bottom - 0.5));
}

void TimelineWidget::DrawHandles(QPainter& p) {
  const TimelineBox& h = layout_.handles;
  const auto& keys = model_.keyTimes;
  if (keys.empty()) return;
  const std::size_t current = state_.document.motion.CurrentIndex();
  const std::vector<std::size_t> selected = state_.pane.Selection().SelectedBelow(keys.size());
  const QColor highlight = palette().color(QPalette::Highlight);
  const double left = view_.originMs - kTimelineHandleHalfWidth * view_.msPerPixel;
  const double right = view_.originMs + view_.VisibleMs() + 40 * view_.msPerPixel;
  auto from =
      std::lower_bound(keys.begin(), keys.end(), left, [](uint32_t k, double t) { return k < t; });
  const QFontMetrics metrics(p.font());
  double labelEnd = -1e9;
  double lineEnd = -1e9;
  double handleEnd = -1e9;
  for (auto it = from; it != keys.end() && *it <= right; ++it) {
    const auto i = static_cast<std::size_t>(it - keys.begin());
    const double x = view_.X(*it);
    // The keyframe through the lanes, where the keyframes stand apart: packed closer they would
    // only grey the lanes.
    if (x >= lineEnd) {
      p.setPen(kKeyLineColour);
      VerticalLine(p, x, h.bottom, height());
      lineEnd = x + 6;
    }
    const bool isSelected = std::binary_search(selected.begin(), selected.end(), i);
    const bool isCurrent = i == current;
    // Handles packed closer than a few pixels would only be drawn over each other; the current
    // and the selected ones always show.
    if (x < handleEnd && !isSelected && !isCurrent) continue;
    handleEnd = x + 3;
    const QRectF handle(x - 3.5, h.top + 3, 7, h.bottom - h.top - 6);
    p.setPen(isCurrent ? QPen(Qt::black, 2) : QPen(kHandleColour.darker(140), 1));
    p.setBrush(isSelected ? highlight : (isCurrent ? QColor(Qt::white) : kHandleColour));
    p.drawRect(handle);
    p.setBrush(Qt::NoBrush);
    const QString number = QString::number(i + 1);
    const int w = metrics.horizontalAdvance(number);
    if (x + 5 > labelEnd || isCurrent) {
      p.setPen(isCurrent ? Qt::black : QColor(0x50, 0x50, 0x50));
      p.drawText(QPointF(x + 5, h.bottom - 3), number);
      labelEnd = x + 5 + w + 4;
    }
  }
}

// ---- Gestures ----

void TimelineWidget::resizeEvent(QResizeEvent*) {
  layout_ = LayOutTimeline(width(), height(), model_.lanes.size());
  const double visible = view_.VisibleMs();
  FitViewToLayout(view_, layout_);
  if (model_.duration > 0) {
    view_.msPerPixel = visible / std::max(1, view_.plotWidth);
    ScrollBy(view_, 0, model_.duration);
  }
}

void TimelineWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  const TimelineHit hit = HitTimeline(model_, view_, layout_, playheadMs_, at.x(), at.y());
  pressX_ = at.x();
  moved_ = false;
  const bool busy = state_.busy.Busy();
  if (hit.kind == TimelineHit::kHandle) {
    if (hooks_.selectPose) hooks_.selectPose(hit.pose);
    if (!busy) {
      state_.pane.CommitPendingEdit();
      if (drag_.Begin(state_.document.motion, hit.pose)) gesture_ = Gesture::kHandle;
    }
  } else if (hit.kind == TimelineHit::kPlayhead && !busy) {
    gesture_ = Gesture::kPlayhead;
    ScrubTo(view_.Ms(at.x()));
  }
  update();
}

void TimelineWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (gesture_ == Gesture::kPlayhead) {
    ScrubTo(view_.Ms(at.x()));
    return;
  }
  if (gesture_ != Gesture::kHandle) return;
  if (!moved_ && std::abs(at.x() - pressX_) < kDragThresholdPx) return;
  moved_ = true;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const std::vector<std::size_t> rows =
      drag_.Update(state_.document.motion, (at.x() - pressX_) * view_.msPerPixel, shift);
  if (!rows.empty() && hooks_.timesChanged) hooks_.timesChanged(rows);
}

void TimelineWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (gesture_ == Gesture::kHandle) {
    gesture_ = Gesture::kNone;
    if (drag_.End(state_.document)) {
      if (hooks_.timesChanged) hooks_.timesChanged({});
    }
  }
  gesture_ = Gesture::kNone;
  update();
}

void TimelineWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && gesture_ == Gesture::kHandle) {
    const std::vector<std::size_t> rows = drag_.Cancel(state_.document.motion);
    gesture_ = Gesture::kNone;
    if (!rows.empty() && hooks_.timesChanged) hooks_.timesChanged(rows);
    return;
  }
  QWidget::keyPressEvent(event);
}

void TimelineWidget::wheelEvent(QWheelEvent* event) {
  const QPoint angle = event->angleDelta();
  const double x = event->position().x();
  if (angle.x() != 0 || (event->modifiers() & Qt::ShiftModifier)) {
    const int d = angle.x() != 0 ? angle.x() : angle.y();
    ScrollBy(view_, -d / 120.0 * view_.plotWidth * 0.1, model_.duration);
  } else if (angle.y() != 0) {
    ZoomAt(view_, x, std::pow(kWheelZoomPerNotch, angle.y() / 120.0), model_.duration);
  }
  event->accept();
  update();
}

void TimelineWidget::hideEvent(QHideEvent* event) {
  ReleaseScrub();
  QWidget::hideEvent(event);
}

QString TimelineWidget::ToolTipAt(QPoint at) const {
  const TimelineHit hit = HitTimeline(model_, view_, layout_, playheadMs_, at.x(), at.y());
  if (hit.kind == TimelineHit::kHandle) {
    return ToQString(LoadText(kPoseWordText) + " " + FormatInt(static_cast<int64_t>(hit.pose) + 1) +
                     "\n" + LoadText(kDragHintText));
  }
  if (hit.kind != TimelineHit::kLane) return {};
  const FlaggedSpan* span = FlagAt(model_, view_, hit.lane, at.x());
  return span != nullptr ? ToQString(span->text) : QString();
}

bool TimelineWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

}  // namespace velmora
