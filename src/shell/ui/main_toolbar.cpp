#include "shell/ui/main_toolbar.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "base/string_table.h"
#include "link/link_controls.h"
#include "shell/ui/command_actions.h"
#include "shell/ui/widget_control_view.h"

namespace velmora {

namespace {

// Buttons of 23 x 22 pixels side by side and 8-pixel separators, as the toolbar has always been
// laid out, so that the controls placed from x 510 on stay clear of the last button. The tips of
// the whole toolbar are a rounded, balloon-like box at most 280 pixels wide.
constexpr char kStyle[] =
    "QToolBar { spacing: 0px; padding: 0px 0px 0px 1px; border: none; }"
    " QToolBar::separator { width: 8px; }"
    " QToolTip { background-color: #ffffe1; color: black; border: 1px solid #767676;"
    " border-radius: 6px; padding: 2px 4px; max-width: 280px; }";
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;

}  // namespace

MainToolBar::MainToolBar(const CommandActions& actions, const QFont& font, Callbacks callbacks,
                         QWidget* parent)
    : QToolBar(parent), callbacks_(std::move(callbacks)) {
  setObjectName(QStringLiteral("toolbar"));
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(16, 15));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setFixedHeight(kHeight);
  setStyleSheet(QString::fromLatin1(kStyle));
  setContentsMargins(0, 0, 0, 0);
  actions.FillToolBar(this);
  for (QAction* action : this->actions()) {
    if (QWidget* button = widgetForAction(action); button != nullptr && !action->isSeparator()) {
      button->setFixedSize(kButtonWidth, kButtonHeight);
    }
  }

  robots_ = new QComboBox(this);
  robots_->setObjectName(QStringLiteral("robotSelector"));
  robots_->setFont(font);
  // A drop-down list of 100 x 130: the list part opens below the 100-pixel-wide box.
  robots_->setGeometry(510, 2, 100, 22);
  robots_->setMaxVisibleItems(8);
  robots_->setToolTip(ToolTipText(40036));
  connect(robots_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    if (callbacks_.robotChosen) callbacks_.robotChosen(index);
  });

  auto* axes = new QButtonGroup(this);
  axis3_ = new QRadioButton(QStringLiteral("3軸"), this);
  axis3_->setObjectName(QStringLiteral("axis3"));
  axis3_->setGeometry(640, 5, 50, 15);
  axis5_ = new QRadioButton(QStringLiteral("5軸"), this);
  axis5_->setObjectName(QStringLiteral("axis5"));
  axis5_->setGeometry(690, 5, 50, 15);
  for (QRadioButton* radio : {axis3_, axis5_}) {
    radio->setFont(font);
    radio->setToolTip(ToolTipText(40037));
    axes->addButton(radio);
  }
  connect(axis3_, &QRadioButton::clicked, this, [this] {
    if (callbacks_.axisChosen) callbacks_.axisChosen(3);
  });
  connect(axis5_, &QRadioButton::clicked, this, [this] {
    if (callbacks_.axisChosen) callbacks_.axisChosen(5);
  });

  erase_ = new QPushButton(QStringLiteral("ペンの消去"), this);
  erase_->setObjectName(QStringLiteral("erasePen"));
  erase_->setFont(font);
  erase_->setGeometry(740, 2, 80, 20);
  erase_->setToolTip(ToolTipText(40044));
  erase_->setFocusPolicy(Qt::NoFocus);
  connect(erase_, &QPushButton::clicked, this, [this] {
    if (callbacks_.erasePen) callbacks_.erasePen();
  });

  alwaysDraw_ = new QCheckBox(QStringLiteral("常時描画"), this);
  alwaysDraw_->setObjectName(QStringLiteral("alwaysDraw"));
  alwaysDraw_->setFont(font);
  alwaysDraw_->setGeometry(830, 2, 68, 20);
  alwaysDraw_->setToolTip(ToolTipText(40045));
  connect(alwaysDraw_, &QCheckBox::clicked, this, [this](bool on) {
    if (callbacks_.alwaysDraw) callbacks_.alwaysDraw(on);
  });

  pathPreview_ = new QCheckBox(ToQString(LoadText(41208)), this);
  pathPreview_->setObjectName(QStringLiteral("pathPreview"));
  pathPreview_->setFont(font);
  pathPreview_->setGeometry(898, 2, 44, 20);
  pathPreview_->setToolTip(ToolTipText(41209));
  connect(pathPreview_, &QCheckBox::clicked, this, [this](bool on) {
    if (callbacks_.pathPreview) callbacks_.pathPreview(on);
  });

  speed_ = new QComboBox(this);
  speed_->setObjectName(QStringLiteral("playbackSpeed"));
  speed_->setFont(font);
  speed_->setGeometry(942, 2, 56, 22);
  speed_->setToolTip(ToolTipText(41210));
  speed_->setFocusPolicy(Qt::NoFocus);
  for (PlaybackSpeed s : kPlaybackSpeeds) {
    speed_->addItem(ToQString(PlaybackSpeedLabel(s)), static_cast<int>(s));
  }
  SetSpeed(PlaybackSpeed::kNormal);
  connect(speed_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    if (callbacks_.speedChosen && index >= 0) {
      callbacks_.speedChosen(static_cast<PlaybackSpeed>(speed_->itemData(index).toInt()));
    }
  });
}

void MainToolBar::RefreshLink(const LinkControlsState& link) {
  if (link.devices != shownDevices_) {
    shownDevices_ = link.devices;
    robots_->clear();
    for (const std::string& d : shownDevices_) robots_->addItem(ToQString(d));
  }
  robots_->setCurrentIndex(link.selection);
  robots_->setEnabled(link.listEnabled);
  axis3_->setChecked(link.axisChoice == 3);
  axis5_->setChecked(link.axisChoice != 3);
  axis3_->setEnabled(link.listEnabled);
  axis5_->setEnabled(link.listEnabled);
}

void MainToolBar::SetAlwaysDraw(bool on) { alwaysDraw_->setChecked(on); }

void MainToolBar::SetPathPreview(bool on) { pathPreview_->setChecked(on); }

void MainToolBar::SetSpeed(PlaybackSpeed speed) {
  const int index = speed_->findData(static_cast<int>(speed));
  if (index >= 0) speed_->setCurrentIndex(index);
}

}  // namespace velmora
