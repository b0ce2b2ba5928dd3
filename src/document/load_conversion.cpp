#include "document/load_conversion.h"

#include <cmath>
#include <limits>
#include <utility>

#include "document/motion_conversion.h"

namespace velmora {

namespace {

constexpr int kRadios[3] = {load_ids::kKeepCoordinates, load_ids::kKeepMotorValues,
                            load_ids::kAdoptMotionSystem};

void CheckOnly(ControlView& view, int index) {
  for (int i = 0; i < 3; ++i) {
    view.SetCheck(kRadios[i], i == index ? CheckState::kChecked : CheckState::kUnchecked);
  }
}

bool UsablePlacementValue(double v) {
  return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

}  // namespace

LoadDialog::LoadDialog(ControlView& view, Guarded<Settings>& settings)
    : view_(view), settings_(settings) {}

void LoadDialog::OnInit() {
  view_.Beep();
  result_ = 1;
  const Settings s = settings_.Get();
  rememberedType_ = s.loadConvType;
  rememberedShow_ = s.loadDialogEnable;
  CheckOnly(view_, s.loadConvType == 0 ? 0 : s.loadConvType == 1 ? 1 : 2);
  view_.SetCheck(load_ids::kShowLoadDialog,
                 s.loadDialogEnable != 0 ? CheckState::kChecked : CheckState::kUnchecked);
}

bool LoadDialog::OnClick(int id) {
  switch (id) {
    case load_ids::kKeepCoordinates:
    case load_ids::kKeepMotorValues:
    case load_ids::kAdoptMotionSystem: {
      CheckOnly(view_, id - load_ids::kKeepCoordinates);
      // The first checked button in order gives the type.
      int type = 2;
      for (int i = 0; i < 2; ++i) {
        if (view_.Check(kRadios[i]) == CheckState::kChecked) {
          type = i;
          break;
        }
      }
      settings_.Update([type](Settings& s) { s.loadConvType = type; });
      return false;
    }
    case load_ids::kShowLoadDialog: {
      const int show = view_.Check(load_ids::kShowLoadDialog) == CheckState::kChecked ? 1 : 0;
      settings_.Update([show](Settings& s) { s.loadDialogEnable = show; });
      return false;
    }
    case load_ids::kOk:
      result_ = 1;
      return true;
    case load_ids::kCancel:
      settings_.Update([this](Settings& s) {
        s.loadConvType = rememberedType_;
        s.loadDialogEnable = rememberedShow_;
      });
      result_ = 0;
      return true;
    default:
      return false;
  }
}

bool ApplyLoadConversion(Geometry& geometry, Guarded<Settings>& settings,
                         const LoadDialogRunner& runDialog, const CoordinateSystem& fileSystem,
                         std::vector<Pose>& poses) {
  if (settings.Get().loadDialogEnable != 0) {
    if (!runDialog || runDialog() == 0) return false;
  }
  // The dialog may just have changed the type, so read it afterwards.
  const int type = settings.Get().loadConvType;
  if (type == kKeepCoordinates || type == kKeepMotorValues) {
    ConvertPoses(geometry.Get(), poses, type);
    return true;
  }
  // A hostile header must not put inf or nan into the placement, where it would spoil every
  // coordinate of the program and def.ini; such a load is refused with nothing changed.
  if (!UsablePlacementValue(fileSystem.centreOffsetX) ||
      !UsablePlacementValue(fileSystem.centreOffsetY) ||
      !UsablePlacementValue(fileSystem.baseRotation)) {
    return false;
  }
  geometry.SetCoordinateSystem(fileSystem.centreOffsetX, fileSystem.centreOffsetY,
                               fileSystem.baseRotation);
  geometry.SetClawPosition(fileSystem.clawPosition);
  return true;
}

std::function<bool(const CoordinateSystem& fileSystem, std::vector<Pose>& poses)>
MakeLoadConversionHook(Geometry& geometry, Guarded<Settings>& settings,
                       LoadDialogRunner runDialog) {
  return [&geometry, &settings, run = std::move(runDialog)](const CoordinateSystem& fileSystem,
                                                            std::vector<Pose>& poses) {
    return ApplyLoadConversion(geometry, settings, run, fileSystem, poses);
  };
}

}  // namespace velmora
