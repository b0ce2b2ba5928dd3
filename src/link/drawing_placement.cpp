#include "link/drawing_placement.h"

#include <algorithm>
#include <cmath>

#include "geometry/kinematics.h"
#include "geometry/pose.h"

namespace velmora {

namespace {

// The reach check looks at points no further apart than this (mm of the drawing's own size,
// relative to its larger side).
constexpr double kFlatnessShare = 1.0 / 4000;
constexpr double kStepShare = 1.0 / 200;

uint8_t CheckedMotors(int axes) {
  uint8_t mask = 0x7;  // ID1, ID2, ID3
  if (axes >= 4) mask |= 0x8;
  if (axes >= 5) mask |= 0x10;
  return mask;
}

}  // namespace

FlatDrawing FlattenDrawing(const Drawing& drawing) {
  FlatDrawing flat;
  flat.bounds = BoundsOf(drawing.strokes);
  const double size = std::max(flat.bounds.Width(), flat.bounds.Height());
  const double flatness = std::max(1e-4, size * kFlatnessShare);
  const double step = std::max(1e-3, size * kStepShare);
  flat.strokes.resize(drawing.strokes.size());
  for (std::size_t k = 0; k < drawing.strokes.size(); ++k) {
    FlattenStroke(drawing.strokes[k], flatness, step, flat.strokes[k]);
  }
  return flat;
}

DrawingTransform PlacementTransform(const DrawingBounds& bounds, const Placement& placement) {
  const double w = bounds.Width();
  const double h = bounds.Height();
  const double size = w > 0 ? w : h;
  const double scale = size > 0 ? placement.widthMm / size : 1.0;
  const double angle = placement.rotationDeg * kPi / 180;
  const double cs = std::cos(angle);
  const double sn = std::sin(angle);
  const double mx = (bounds.minX + bounds.maxX) / 2;
  const double my = (bounds.minY + bounds.maxY) / 2;
  // Scale, flip y, turn, then move the middle to the centre.
  DrawingTransform t;
  t.a = scale * cs;
  t.b = scale * sn;
  t.c = scale * sn;
  t.d = -scale * cs;
  t.e = placement.centreX - (t.a * mx + t.c * my);
  t.f = placement.centreY - (t.b * mx + t.d * my);
  return t;
}

bool Reachable(const ArmGeometry& g, const ReachOptions& o, int elbow, DrawingPoint p) {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  const uint8_t mask = CheckedMotors(o.axes);
  for (double z : {o.penDownZ, o.penUpZ}) {
    Pose pose;
    pose.motorValues[1] = static_cast<int16_t>(elbow > 0 ? 1 : -1);
    IkReport report;
    InverseKinematics(g, p.x, p.y, z, o.rotation, o.handWidth, pose, &report);
    if (report.stretched || (report.limited & mask) != 0) return false;
    // The elbow must stay on its side (a value of 0 is straight, allowed on either).
    if (pose.motorValues[1] != 0 && (pose.motorValues[1] > 0) != (elbow > 0)) return false;
  }
  return true;
}

ReachResult CheckReach(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat,
                       const Placement& placement, bool keepPoints) {
  const DrawingTransform t = PlacementTransform(flat.bounds, placement);
  ReachResult best;
  bool have = false;
  for (int elbow : {1, -1}) {
    ReachResult r;
    r.elbow = elbow;
    r.strokeOutside.assign(flat.strokes.size(), 0);
    if (keepPoints) r.pointOutside.resize(flat.strokes.size());
    for (std::size_t s = 0; s < flat.strokes.size(); ++s) {
      const auto& pts = flat.strokes[s];
      if (keepPoints) r.pointOutside[s].assign(pts.size(), 0);
      for (std::size_t k = 0; k < pts.size(); ++k) {
        if (Reachable(g, o, elbow, t.Apply(pts[k]))) continue;
        r.strokeOutside[s] = 1;
        if (!keepPoints) break;
        r.pointOutside[s][k] = 1;
      }
      r.strokesOutside += r.strokeOutside[s];
      // The other side cannot do better once this one is already worse.
      if (have && r.strokesOutside > best.strokesOutside) break;
    }
    if (!have || r.strokesOutside < best.strokesOutside) {
      best = std::move(r);
      have = true;
    }
    if (best.strokesOutside == 0) break;
  }
  return best;
}

DrawingPoint ComfortableCentre(const ArmGeometry& g) {
  // In the arm's frame the shoulder sits 62 mm behind the origin; half way out along the arm's
  // straight-ahead direction leaves room on every side.
  const Vec3f p = TransformCoord({static_cast<float>(kReach * 0.62 - 62.0), 0.0f, 0.0f},
                                 g.armToWorld);
  return {p.x, p.y};
}

double FitWidth(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat,
                const Placement& placement, double maxWidth) {
  Placement p = placement;
  auto fits = [&](double w) {
    p.widthMm = w;
    return CheckReach(g, o, flat, p).strokesOutside == 0;
  };
  double lo = 0;
  double hi = maxWidth;
  if (fits(hi)) return hi;
  // Fit to a hundredth of a millimetre.
  for (int k = 0; k < 40 && hi - lo > 0.01; ++k) {
    const double mid = (lo + hi) / 2;
    if (fits(mid)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo > 0 && fits(lo) ? lo : 0;
}

Placement InitialPlacement(const ArmGeometry& g, const ReachOptions& o, const FlatDrawing& flat) {
  Placement p;
  const DrawingPoint c = ComfortableCentre(g);
  p.centreX = c.x;
  p.centreY = c.y;
  const double own = flat.bounds.Width() > 0 ? flat.bounds.Width() : flat.bounds.Height();
  // The whole reach is 320 mm across: nothing wider can fit.
  const double limit = 2 * kReach;
  p.widthMm = std::min(own, limit);
  if (p.widthMm <= 0) p.widthMm = 1;
  if (CheckReach(g, o, flat, p).strokesOutside == 0) return p;
  const double w = FitWidth(g, o, flat, p, p.widthMm);
  if (w > 0) p.widthMm = w;
  return p;
}

}  // namespace velmora
