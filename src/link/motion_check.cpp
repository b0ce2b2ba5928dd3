#include "link/motion_check.h"

#include <cmath>

#include "document/motion.h"
#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

constexpr int kOutOfReachText = 41201;
constexpr int kMotorLimitText = 41202;
constexpr int kTooFastText = 41203;
constexpr int kLimitWordText = 41204;

}  // namespace

uint8_t IssuesOf(const PoseCheck& check, double maxServoSpeed) {
  uint8_t bits = 0;
  if (check.stretched) bits |= kIssueOutOfReach;
  if (check.limited != 0) bits |= kIssueMotorLimit;
  if (check.maxSpeed > maxServoSpeed) bits |= kIssueTooFast;
  return bits;
}

std::string IssueText(const PoseCheck& check, double maxServoSpeed) {
  const uint8_t bits = IssuesOf(check, maxServoSpeed);
  std::string text;
  auto line = [&text](const std::string& l) {
    if (!text.empty()) text += '\n';
    text += l;
  };
  if (bits & kIssueOutOfReach) line(LoadText(kOutOfReachText));
  if (bits & kIssueMotorLimit) {
    std::string ids;
    for (int k = 0; k < kMotorCount; ++k) {
      if ((check.limited & (1u << k)) == 0) continue;
      if (!ids.empty()) ids += ", ";
      ids += "ID" + FormatInt(k + 1);
    }
    line(LoadText(kMotorLimitText) + ids);
  }
  if (bits & kIssueTooFast) {
    line(LoadText(kTooFastText) + "ID" + FormatInt(check.fastestMotor) + " " +
         FormatFixed(std::round(check.maxSpeed), 0) + "°/s（" + LoadText(kLimitWordText) + " " +
         FormatFixed(maxServoSpeed, 0) + "°/s）");
  }
  return text;
}

CheckedMotion CheckMotion(const ArmGeometry& g, const std::vector<Pose>& poses, int axes,
                          double maxServoSpeed) {
  CheckedMotion out;
  PlanOptions options;
  options.axes = axes;
  options.maxPoints = kCheckedPathMaxPoints;
  out.path = PlanPath(g, poses, PreviewStart(poses), options);
  out.issues.reserve(out.path.checks.size());
  out.reasons.resize(out.path.checks.size());
  for (std::size_t i = 0; i < out.path.checks.size(); ++i) {
    const uint8_t bits = IssuesOf(out.path.checks[i], maxServoSpeed);
    out.issues.push_back(bits);
    if (bits != 0) out.reasons[i] = IssueText(out.path.checks[i], maxServoSpeed);
  }
  return out;
}

std::vector<CheckLine> CheckLines(const CheckedMotion& checked) {
  std::vector<CheckLine> lines;
  for (std::size_t i = 0; i < checked.reasons.size(); ++i) {
    if (checked.reasons[i].empty()) continue;
    std::string text = LoadText(41207) + " " + FormatInt(static_cast<int64_t>(i) + 1) + "：";
    std::string reasons = checked.reasons[i];
    for (std::size_t at = reasons.find('\n'); at != std::string::npos; at = reasons.find('\n')) {
      reasons.replace(at, 1, " / ");
    }
    lines.push_back({i, text + reasons});
  }
  if (lines.empty()) lines.push_back({std::nullopt, LoadText(41206)});
  return lines;
}

bool MotionAnalysis::Update(const Motion& motion, const ArmGeometry& g, int axes,
                            double maxServoSpeed) {
  bool same = valid_ && coords_ == g.coords && armSign_ == g.armSign && limits_ == g.motorLimits &&
              axes_ == axes && maxSpeed_ == maxServoSpeed;
  motion.Read([&](const std::vector<Pose>& poses, std::size_t) {
    if (same && poses == poses_) return;
    same = false;
    poses_ = poses;
  });
  if (same) return false;
  coords_ = g.coords;
  armSign_ = g.armSign;
  limits_ = g.motorLimits;
  axes_ = axes;
  maxSpeed_ = maxServoSpeed;
  valid_ = true;
  auto analysis = std::make_shared<CheckedMotion>(CheckMotion(g, poses_, axes, maxServoSpeed));
  analysis->revision = ++revision_;
  std::lock_guard lock(mutex_);
  latest_ = std::move(analysis);
  return true;
}

std::shared_ptr<const CheckedMotion> MotionAnalysis::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

}  // namespace velmora
