#pragma once

#include <atomic>

#include "base/control_view.h"
#include "base/guarded.h"
#include "geometry/settings.h"

namespace velmora {

// Dialog 138, the simulator settings: control numbers.
enum SimulatorSettingsControl : int {
  kSimDialogId = 138,
  kSimApply = 1,
  kSimClose = 2,
  kSimRangeLeft = 1001,
  kSimRangeRight = 1003,
  kSimRangeTop = 1006,
  kSimRangeBottom = 1007,
  kSimPenThreshold = 1009,
  kSimEnableMarkerLim = 40000,
  kSimScaling = 40001,
  kSimPenPushIn = 40007,
  kSimPenPoints = 40066,
  kSimPenEnable = 40068,
  kSimPenFade = 40070,
};

// The dialog's behaviour: the fields show the stored settings, and Apply (after a question)
// stores what they hold, limited, writes the stored values back and erases the pen trace, whose
// points are in pixels of the old magnification. Nothing is stored without Apply.
class SimulatorSettingsDialog {
 public:
  SimulatorSettingsDialog(ControlView& view, Guarded<Settings>& settings,
                          std::atomic<bool>& penTraceReset);

  // Fills every field from the stored settings.
  void OnInit();
  // The Apply button; true when the user confirmed and the values were stored.
  bool OnApply();
  // Button clicks forwarded by the window.
  void OnClick(int id);

 private:
  void Fill(const Settings& s);

  ControlView& view_;
  Guarded<Settings>& settings_;
  std::atomic<bool>& penTraceReset_;
};

}  // namespace velmora
