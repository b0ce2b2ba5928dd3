#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Movement range of the coordinate marker in the simulator view, in mm.
struct MarkerRange {
  double left = -115;
  double top = -105;
  double right = 115;
  double bottom = 105;
  friend bool operator==(const MarkerRange&, const MarkerRange&) = default;
};

// The longest pen trace the simulator keeps, in points. A larger count (a negative number typed
// into the count reads as a huge unsigned value) is lowered to this, so the trace buffer can always
// be made and drawn within a frame.
inline constexpr uint32_t kMaxVpenPoints = 100000;

// The values kept in def.ini that have no other home. The coordinate system, ArmSign, the claw
// position and the motor limits live in Geometry; the register images in the ServoTable.
struct Settings {
  int axisType3 = 1;             // AXIS_TYPE: 1 = 3-axis pen type, 0 = 5-axis hand type
  MarkerRange markerRange;       // MARKER_RANGE
  uint32_t recInterval = 300;    // REC_INTERVAL, ms, at least 80
  int vpenEnable = 1;            // VPEN_ENABLE
  double vpenTh = -19.0;         // VPEN_TH, mm: the pen draws below this height
  double vpenOvw = 1.0;          // VPEN_OVW, mm, not negative
  uint32_t vpenPoints = 360;     // VPEN_POINTS, 2..kMaxVpenPoints
  int vpenIsFade = 0;            // VPEN_ISFADE
  int vpenEverytimeDraw = 0;     // VPEN_EVERYTIME_DRAW: the toolbar's always-draw check box
  int loadConvType = 0;          // LOAD_CONV_TYPE, 0..2
  int loadDialogEnable = 1;      // LOAD_DIALOG_ENABLE, 0 or 1
  int recAutoPowOff = 1;         // REC_AUTOPOWOFF
  double scaling = 1.5;          // SCALING, 1..3
  int enableMarkerLim = 1;       // ENABLEMARKERLIM
  std::string fontName;          // FONT_NAME, bytes as stored (Shift-JIS from Windows)

  friend bool operator==(const Settings&, const Settings&) = default;
};

}  // namespace velmora
