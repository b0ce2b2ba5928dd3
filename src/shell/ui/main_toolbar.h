#pragma once

#include <QToolBar>
#include <functional>
#include <string>
#include <vector>

#include "document/playback_speed.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace velmora {

class CommandActions;
struct LinkControlsState;

// The toolbar: the command buttons of CommandActions with their separators, and the controls
// placed on it at fixed positions: the robot selector, the axis choice "3軸" / "5軸", the push
// button "ペンの消去", the check box "常時描画", and ours: the check box "経路" (the path preview)
// and the playback speed. The controls show core values (Refresh) and
// report what the user does through the callbacks.
class MainToolBar : public QToolBar {
  Q_OBJECT

 public:
  static constexpr int kHeight = 28;

  struct Callbacks {
    std::function<void(int index)> robotChosen;
    std::function<void(int axes)> axisChosen;  // 3 or 5
    std::function<void()> erasePen;
    std::function<void(bool on)> alwaysDraw;
    std::function<void(bool on)> pathPreview;
    std::function<void(PlaybackSpeed speed)> speedChosen;
  };

  MainToolBar(const CommandActions& actions, const QFont& font, Callbacks callbacks,
              QWidget* parent = nullptr);

  // The robot list, its selection and the axis choice as the link controls have them; both are
  // disabled while connected.
  void RefreshLink(const LinkControlsState& link);
  void SetAlwaysDraw(bool on);
  void SetPathPreview(bool on);
  void SetSpeed(PlaybackSpeed speed);

  QComboBox* RobotSelector() const { return robots_; }
  QRadioButton* Axis3() const { return axis3_; }
  QRadioButton* Axis5() const { return axis5_; }
  QPushButton* ErasePen() const { return erase_; }
  QCheckBox* AlwaysDraw() const { return alwaysDraw_; }
  QCheckBox* PathPreview() const { return pathPreview_; }
  QComboBox* Speed() const { return speed_; }

 private:
  Callbacks callbacks_;
  QComboBox* robots_ = nullptr;
  QRadioButton* axis3_ = nullptr;
  QRadioButton* axis5_ = nullptr;
  QPushButton* erase_ = nullptr;
  QCheckBox* alwaysDraw_ = nullptr;
  QCheckBox* pathPreview_ = nullptr;
  QComboBox* speed_ = nullptr;
  std::vector<std::string> shownDevices_;
};

}  // namespace velmora
