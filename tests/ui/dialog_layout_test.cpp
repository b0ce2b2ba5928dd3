#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <memory>

#include "geometry/ui/batch_conversion_window.h"
#include "geometry/ui/conversion_window.h"
#include "geometry/ui/coordinate_system_window.h"
#include "geometry/ui/load_dialog_window.h"
#include "link/ui/motor_settings_window.h"
#include "link/ui/recording_dialog_window.h"
#include "shell/dialog_units.h"
#include "shell/program_state.h"
#include "ui/dialog_test_support.h"

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

// Every text is readable in the dialog font: nothing sticks out of the dialog, no control covers
// another (frames aside) and every text fits its control. Set VELMORA_DIALOG_SHOTS to a directory
// to get a picture of each dialog there.
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

    const QList<QWidget*> children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_FALSE(children.isEmpty());
    std::vector<QWidget*> solid;
    for (QWidget* w : children) {
      const QString what = w->objectName() + " " + w->metaObject()->className();
      EXPECT_TRUE(dialog->rect().contains(w->geometry())) << what.toStdString();
      if (auto* group = qobject_cast<QGroupBox*>(w)) {
        EXPECT_LT(group->fontMetrics().horizontalAdvance(group->title()), group->width());
        continue;
      }
      solid.push_back(w);
      if (auto* label = qobject_cast<QLabel*>(w)) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
      } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
            << button->text().toStdString();
      } else if (auto* other = qobject_cast<QAbstractButton*>(w)) {
        EXPECT_LE(other->sizeHint().width(), other->width()) << other->text().toStdString();
      } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) {
          EXPECT_LT(combo->fontMetrics().horizontalAdvance(combo->itemText(i)), combo->width() - 20)
              << combo->itemText(i).toStdString();
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
    if (!shots.isEmpty())
      dialog->grab().save(QString::fromLocal8Bit(shots) + "/" + c.name + ".png");
  }
}

}  // namespace
}  // namespace velmora
