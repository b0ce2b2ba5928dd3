#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <functional>
#include <map>
#include <memory>

#include "base/dialog_units.h"
#include "document/ui/pose_list_table.h"
#include "document/ui/pose_pane_widget.h"
#include "geometry/ui/batch_conversion_window.h"
#include "geometry/ui/conversion_window.h"
#include "geometry/ui/coordinate_system_window.h"
#include "geometry/ui/load_dialog_window.h"
#include "link/ui/motor_settings_window.h"
#include "link/ui/recording_dialog_window.h"
#include "shell/program_state.h"
#include "simulator/ui/simulator_settings_window.h"
#include "support/dialog_test_support.h"

namespace velmora {
namespace {

struct DialogCase {
  const char* name;
  int width, height;  // client size, dialog units
  std::function<std::unique_ptr<LayoutDialog>(ProgramState&, const DialogHooks&)> make;
};

const DialogCase kDialogs[] = {
    {"142", 222, 213,
     [](ProgramState& s, const DialogHooks& h) {
       return std::make_unique<CoordinateSystemWindow>(s, nullptr, h);
     }},
    {"141", 340, 156,
     [](ProgramState&, const DialogHooks& h) {
       return std::make_unique<ConversionWindow>(1, nullptr, h);
     }},
    {"140", 340, 218,
     [](ProgramState& s, const DialogHooks& h) {
       return std::make_unique<LoadDialogWindow>(s.settings, nullptr, h);
     }},
    {"143", 392, 216,
     [](ProgramState& s, const DialogHooks& h) {
       return std::make_unique<BatchConversionWindow>(s, std::vector<std::size_t>{0}, nullptr, h);
     }},
    {"137", 156, 70,
     [](ProgramState& s, const DialogHooks& h) {
       return std::make_unique<RecordingDialogWindow>(s.settings, nullptr, h);
     }},
    {"145", 184, 204,
     [](ProgramState& s, const DialogHooks& h) {
       return std::make_unique<MotorSettingsWindow>(s.servos, nullptr, h);
     }},
};

// The longest value each field of a window must show whole, by control number. Coordinates run
// to the arm's reach of about 200 mm, angles to 180 degrees, motor values to the 16-bit limits.
using LongestValues = std::map<int, QString>;

const LongestValues kLongest = {
    {1001, "655350"},       {40057, "-200.000000"}, {1000, "-200.000000"}, {40001, "-35.345000"},
    {40000, "-180.000000"}, {40002, "+45.000000"},  {1004, "-200.000000"}, {40047, "-32768"},
    {40049, "-32768"},      {40051, "-32768"},      {40053, "-32768"},     {40055, "-32768"}};

const LongestValues kLongestSimulator = {
    {1001, "-200.000000"}, {1003, "-200.000000"}, {1006, "-200.000000"}, {1007, "-200.000000"},
    {40066, "100000"},     {1009, "-35.000000"},  {40007, "35.000000"},  {40001, "100.000000"}};

// Every text of `window` is readable in its font: nothing sticks out of the window or of the group
// box it starts in, no control covers another (frames aside), every text fits its control without
// being squeezed, Latin letters keep their shapes, and each field in `longest` shows that value
// whole.
void ExpectTextsFit(QWidget& window, const LongestValues& longest) {
  const QList<QWidget*> children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_FALSE(children.isEmpty());
  std::vector<QWidget*> solid;
  std::vector<QGroupBox*> groups;
  for (QWidget* w : children) {
    const QString what = w->objectName() + " " + w->metaObject()->className();
    EXPECT_TRUE(window.rect().contains(w->geometry())) << what.toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
      EXPECT_LT(group->fontMetrics().horizontalAdvance(group->title()), group->width());
      groups.push_back(group);
      continue;
    }
    solid.push_back(w);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      text = label->text();
      EXPECT_LE(label->sizeHint().width(), label->width()) << text.toStdString();
      EXPECT_TRUE(label->font().stretch() == QFont::AnyStretch ||
                  label->font().stretch() == QFont::Unstretched)
          << "squeezed: " << text.toStdString();
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
      text = button->text();
      EXPECT_LE(button->fontMetrics().horizontalAdvance(text) + 8, button->width())
          << text.toStdString();
    } else if (auto* other = qobject_cast<QAbstractButton*>(w)) {
      text = other->text();
      EXPECT_LE(other->sizeHint().width(), other->width()) << text.toStdString();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) {
        EXPECT_LT(combo->fontMetrics().horizontalAdvance(combo->itemText(i)), combo->width() - 20)
            << combo->itemText(i).toStdString();
      }
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      const auto it = longest.find(edit->objectName().toInt());
      if (it != longest.end()) {
        // The frame and the edit's own margin of 2 pixels on each side, and the cursor.
        const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(it->second) + 2 * (frame + 2) + 1,
                  edit->width())
            << what.toStdString() << ": " << it->second.toStdString();
      }
    }
    // An "m" narrower than 8 pixels runs its three stems together into a grey smear.
    if (text.contains(u'm')) {
      EXPECT_GE(w->fontMetrics().horizontalAdvance(u'm'), 8) << "smeared: " << text.toStdString();
    }
  }
  for (QWidget* w : solid) {
    for (QGroupBox* group : groups) {
      if (group->geometry().contains(w->geometry().topLeft())) {
        EXPECT_TRUE(group->geometry().contains(w->geometry()))
            << w->objectName().toStdString() << " " << w->metaObject()->className()
            << " runs out of " << group->title().toStdString();
      }
    }
  }
  for (std::size_t i = 0; i < solid.size(); ++i) {
    for (std::size_t j = i + 1; j < solid.size(); ++j) {
      EXPECT_FALSE(solid[i]->geometry().intersects(solid[j]->geometry()))
          << solid[i]->objectName().toStdString() << " " << solid[i]->metaObject()->className()
          << " / " << solid[j]->objectName().toStdString() << " "
          << solid[j]->metaObject()->className();
    }
  }
  const QByteArray shots = qgetenv("VELMORA_DIALOG_SHOTS");
  if (!shots.isEmpty()) {
    window.grab().save(QString::fromLocal8Bit(shots) + "/" + window.objectName() + ".png");
  }
}

// Set VELMORA_DIALOG_SHOTS to a directory to get a picture of each window there.
TEST(DialogLayout, ControlsFitTheirDialogAndEachOther) {
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.name);
    ProgramState state;
    InitialiseProgramState(state);
    testing::ScriptedQuestions quiet;
    std::unique_ptr<LayoutDialog> dialog = c.make(state, quiet.Hooks());
    dialog->show();
    EXPECT_EQ(dialog->objectName(), QString::fromUtf8(c.name));
    EXPECT_EQ(dialog->size(), QSize(DialogUnitsToPixelsX(c.width), DialogUnitsToPixelsY(c.height)));
    ExpectTextsFit(*dialog, {});
  }
}

TEST(DialogLayout, SimulatorSettingsShowEveryTextAndValueWhole) {
  ProgramState state;
  InitialiseProgramState(state);
  SimulatorSettingsWindow dialog(state);
  dialog.show();
  ExpectTextsFit(dialog, kLongestSimulator);
}

TEST(DialogLayout, PosePaneShowsEveryTextAndValueWhole) {
  ProgramState state;
  InitialiseProgramState(state);
  PosePaneWidget pane(state);
  pane.show();
  ExpectTextsFit(pane, kLongest);

  // The list: the longest time is whole, and the parameters fill the rest of the row.
  const PoseListTable* list = pane.List();
  const QHeaderView* header = list->horizontalHeader();
  EXPECT_GE(header->sectionSize(2),
            list->fontMetrics().horizontalAdvance(QStringLiteral("655350msec")) + 2);
  int columns = 0;
  for (int c = 0; c < header->count(); ++c) columns += header->sectionSize(c);
  EXPECT_GE(columns, list->viewport()->width());
  EXPECT_GE(header->sectionSize(3), 100);
}

}  // namespace
}  // namespace velmora
