#pragma once

#include <array>

namespace velmora {

// Control numbers of the pose pane (dialog 134). The Qt layer names its widgets by them and the
// pane's behaviour addresses them through ControlView.
inline constexpr int kPosePaneDialogId = 134;
inline constexpr int kPoseListId = 1165;

inline constexpr int kInterpolationListId = 40059;  // "なし", "直線", "円弧"
inline constexpr int kTransitionTimeFieldId = 1001;
inline constexpr int kXFieldId = 40057;
inline constexpr int kYFieldId = 1000;
inline constexpr int kZFieldId = 40001;
inline constexpr int kRotationFieldId = 40000;
inline constexpr int kHandWidthFieldId = 40002;
inline constexpr int kArcRadiusFieldId = 1004;
inline constexpr int kArcDirectionListId = 1006;  // "時計回り", "反時計回り"

// Per motor ID1..ID5: the "IDk" check box (checked = the motor takes part), the trackbar and the
// value field.
inline constexpr std::array<int, 5> kMotorCheckIds{40061, 40062, 40063, 40064, 40065};
inline constexpr std::array<int, 5> kMotorTrackbarIds{40046, 40048, 40050, 40052, 40054};
inline constexpr std::array<int, 5> kMotorValueFieldIds{40047, 40049, 40051, 40053, 40055};

// The five coordinate fields, in the order the pane reads them.
inline constexpr std::array<int, 5> kCoordinateFieldIds{kXFieldId, kYFieldId, kZFieldId,
                                                        kRotationFieldId, kHandWidthFieldId};

}  // namespace velmora
