// The fields of the pose pane, driven through the real widgets.

#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

#include "base/dialog_units.h"
#include "document/editing_commands.h"
#include "shell/ui/japanese_edit_menu.h"
#include "ui/pose_pane_fixture.h"

namespace velmora::testing {
namespace {

using PosePaneFieldsTest = PosePaneUiTest;

TEST_F(PosePaneFieldsTest, ControlsSitAtTheirDialogUnitsAndFitUnderTheToolbar) {
  // The client area is 650 pixels high and the pane starts under a toolbar of about 28.
  EXPECT_LE(pane->height(), 650 - 27);
  EXPECT_EQ(pane->width(), DialogUnitsToPixelsX(211));
  const auto place = [](int x, int y, int w, int h) {
    return QRect(QPoint(PaneUnitsToPixelsX(x), PaneUnitsToPixelsY(y)),
                 QPoint(PaneUnitsToPixelsX(x + w) - 1, PaneUnitsToPixelsY(y + h) - 1));
  };
  EXPECT_EQ(List()->geometry(), place(7, 5, 197, 174));
  EXPECT_EQ(Edit(kTransitionTimeFieldId)->geometry(), place(126, 197, 46, 14));
  EXPECT_EQ(Edit(kHandWidthFieldId)->geometry(), place(135, 257, 49, 14));
  EXPECT_EQ(Slider(kMotorTrackbarIds[4])->geometry(), place(46, 423, 100, 18));
  EXPECT_EQ(Edit(kMotorValueFieldIds[2])->geometry(), place(155, 381, 40, 14));

  std::vector<QString> groups;
  for (const QGroupBox* g : pane->findChildren<QGroupBox*>()) groups.push_back(g->title());
  EXPECT_EQ(groups, (std::vector<QString>{"補間方法・遷移時間の設定", "直交座標・角度の設定",
                                          "円弧補間の設定", "モータ角度の設定"}));

  for (int k = 0; k < 5; ++k) {
    ASSERT_NE(Box(kMotorCheckIds[k]), nullptr);
    EXPECT_EQ(Box(kMotorCheckIds[k])->text(), QString("ID%1").arg(k + 1));
    const QSlider* s = Slider(kMotorTrackbarIds[k]);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->orientation(), Qt::Horizontal);
    EXPECT_EQ(s->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(s->maximum(), kDefaultMotorLimits[k]);
    EXPECT_EQ(s->minimum(), -kDefaultMotorLimits[k]);
  }
  for (int id : {kTransitionTimeFieldId, kXFieldId, kYFieldId, kZFieldId, kRotationFieldId,
                 kHandWidthFieldId, kArcRadiusFieldId, kMotorValueFieldIds[0]}) {
    ASSERT_NE(Edit(id), nullptr) << id;
    EXPECT_TRUE(Edit(id)->alignment() & Qt::AlignRight) << id;
  }
  EXPECT_EQ(Combo(kInterpolationListId)->count(), 3);
  EXPECT_EQ(Combo(kInterpolationListId)->itemText(2), "円弧");
  EXPECT_EQ(Combo(kArcDirectionListId)->itemText(1), "反時計回り");
}

TEST_F(PosePaneFieldsTest, TransitionTimeIsCutToTensWithinTheServoRange) {
  struct Case {
    const char* typed;
    uint32_t stored;
  };
  const Case cases[] = {
      {"1234", 1230}, {"5", 10}, {"700000", 655350}, {"-20", 655350}, {"1230", 1230}};
  for (const Case& c : cases) {
    Type(kTransitionTimeFieldId, c.typed);
    EXPECT_EQ(Current().transitionTime, c.stored) << c.typed;  // stored as typed
    EXPECT_EQ(Text(kTransitionTimeFieldId), c.typed);          // the field keeps the text ...
    FocusList();
    EXPECT_EQ(Text(kTransitionTimeFieldId), std::to_string(c.stored));  // ... until it is left
    EXPECT_EQ(List()->Model()->Texts(0)[2], std::to_string(c.stored) + "msec");
  }
}

TEST_F(PosePaneFieldsTest, MotorValueBeyondItsLimitIsRewrittenAtTheLimit) {
  Type(kMotorValueFieldIds[0], "2000");
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), "+1400");
  EXPECT_EQ(Current().motorValues[0], 1400);
  EXPECT_EQ(Slider(kMotorTrackbarIds[0])->value(), 1400);
  // The coordinates follow through the kinematics.
  Pose expected = Current();
  UpdateCoordinates(state.geometry.Get(), expected);
  EXPECT_EQ(Current().x, expected.x);
  EXPECT_EQ(Text(kXFieldId), FormatFixed(expected.x, 6, true));

  Type(kMotorValueFieldIds[4], "-999");
  EXPECT_EQ(Text(kMotorValueFieldIds[4]), "-350");
  EXPECT_EQ(Current().motorValues[4], -350);
}

TEST_F(PosePaneFieldsTest, UncheckingAMotorIsOneStepAndLeavesItOutOfWhatIsSent) {
  const std::size_t steps = Steps();
  QTest::mouseClick(Box(kMotorCheckIds[2]), Qt::LeftButton);
  EXPECT_EQ(Current().excluded[2], 1);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(state.document.motion.IsModified());

  // The next edit sends every motor but ID3.
  ClearGoals();
  Slider(kMotorTrackbarIds[0])->setFocus();
  QTest::keyClick(Slider(kMotorTrackbarIds[0]), Qt::Key_Right);
  EXPECT_TRUE(GoalQueued(1));
  EXPECT_TRUE(GoalQueued(2));
  EXPECT_FALSE(GoalQueued(3));
  EXPECT_TRUE(GoalQueued(5));

  // Space on the focused box takes it back in.
  Box(kMotorCheckIds[2])->setFocus();
  QTest::keyClick(Box(kMotorCheckIds[2]), Qt::Key_Space);
  EXPECT_EQ(Current().excluded[2], 0);
}

TEST_F(PosePaneFieldsTest, TypingIntoTheXFieldIsOneStepWhenTheFieldIsLeft) {
  const double oldX = Current().x;
  const std::size_t steps = Steps();
  Type(kXFieldId, "120");
  EXPECT_EQ(Current().x, 120);
  EXPECT_EQ(Steps(), steps);  // nothing recorded while typing
  Pose expected = Current();
  InverseKinematics(state.geometry.Get(), 120, expected.y, expected.z, expected.rotation,
                    expected.handWidth, expected);
  EXPECT_EQ(Text(kMotorValueFieldIds[0]), FormatInt(expected.motorValues[0], true));
  EXPECT_EQ(state.servos.Entry(1).goalTime, 50);  // live follow of a field edit

  QTest::keyClick(Edit(kXFieldId), Qt::Key_Tab);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(Text(kXFieldId), "+120.000000");
  EXPECT_EQ(QApplication::focusWidget(), Edit(kYFieldId));

  ASSERT_TRUE(UndoEdit(state.pane));
  EXPECT_EQ(Text(kXFieldId), FormatFixed(oldX, 6, true));
}

TEST_F(PosePaneFieldsTest, ATimeOfZeroFromAFileBecomesTenWithoutAStep) {
  std::vector<Pose> poses = Poses(2);
  poses[0].transitionTime = 0;
  poses[1].transitionTime = 1005;
  Load(poses);
  EXPECT_EQ(Text(kTransitionTimeFieldId), "10");
  EXPECT_EQ(Current().transitionTime, 10u);
  EXPECT_EQ(List()->Model()->Texts(0)[2], "10msec");
  EXPECT_EQ(List()->Model()->Texts(1)[2], "1005msec");  // not shown yet
  EXPECT_EQ(Steps(), 1u);
  EXPECT_FALSE(state.document.motion.IsModified());

  ClickRow(1);
  EXPECT_EQ(Current().transitionTime, 1000u);
  EXPECT_EQ(List()->Model()->Texts(1)[2], "1000msec");
  EXPECT_EQ(Steps(), 1u);
  EXPECT_FALSE(state.document.motion.IsModified());
}

TEST_F(PosePaneFieldsTest, ATrackbarDragIsOneStepAndEveryKeyStepIsOne) {
  QSlider* s = Slider(kMotorTrackbarIds[1]);
  const std::size_t steps = Steps();
  s->setSliderDown(true);
  for (int v : {100, 200, 321}) s->setValue(v);
  EXPECT_EQ(Text(kMotorValueFieldIds[1]), "+321");
  EXPECT_EQ(Current().motorValues[1], 321);
  EXPECT_EQ(Steps(), steps);
  s->setSliderDown(false);
  EXPECT_EQ(Steps(), steps + 1);

  // Right and Down go up, Up and Page Up down, as on a trackbar; a page is a fifth of the range.
  s->setFocus();
  QTest::keyClick(s, Qt::Key_Down);
  EXPECT_EQ(Current().motorValues[1], 322);
  QTest::keyClick(s, Qt::Key_PageUp);
  EXPECT_EQ(Current().motorValues[1], 322 - 2800 / 5);
  QTest::keyClick(s, Qt::Key_Right);
  EXPECT_EQ(Current().motorValues[1], 322 - 2800 / 5 + 1);
  EXPECT_EQ(Steps(), steps + 4);
}

TEST_F(PosePaneFieldsTest, DropDownListsChangeWithTheKeyboardAndRecordASelection) {
  Load(Poses(2), 1);
  QComboBox* interpolation = Combo(kInterpolationListId);
  interpolation->setFocus();
  QTest::keyClick(interpolation, Qt::Key_Down);
  EXPECT_EQ(Current().interpolation, kLinear);
  EXPECT_EQ(List()->Model()->Texts(1)[1], "直線");
  QTest::keyClick(interpolation, Qt::Key_Down);
  EXPECT_EQ(Current().interpolation, kArc);
  EXPECT_EQ(Steps(), 3u);

  QComboBox* direction = Combo(kArcDirectionListId);
  direction->setFocus();
  QTest::keyClick(direction, Qt::Key_Down);
  EXPECT_EQ(Current().arcDirection, kCounterClockwise);
  EXPECT_TRUE(List()->Model()->Texts(1)[3].ends_with(",反時計回り"));
}

TEST_F(PosePaneFieldsTest, WhileBusyTheFieldsAreDisabledAndTheListIsNot) {
  state.pane.EnablePaneFields(false);
  Deliver();
  for (int id :
       {kTransitionTimeFieldId, kXFieldId, kArcRadiusFieldId, kInterpolationListId,
        kArcDirectionListId, kMotorCheckIds[0], kMotorTrackbarIds[3], kMotorValueFieldIds[4]}) {
    EXPECT_FALSE(pane->Control(id)->isEnabled()) << id;
  }
  EXPECT_TRUE(List()->isEnabled());

  state.pane.EnablePaneFields(true);
  Deliver();
  EXPECT_TRUE(Edit(kXFieldId)->isEnabled());
  EXPECT_TRUE(Slider(kMotorTrackbarIds[3])->isEnabled());
}

TEST_F(PosePaneFieldsTest, TabAndArrowsMoveThroughTheControlsInDialogOrder) {
  const std::vector<int> order = {kPoseListId,
                                  kInterpolationListId,
                                  kTransitionTimeFieldId,
                                  kXFieldId,
                                  kYFieldId,
                                  kZFieldId,
                                  kRotationFieldId,
                                  kHandWidthFieldId,
                                  kArcRadiusFieldId,
                                  kArcDirectionListId,
                                  kMotorCheckIds[0],
                                  kMotorTrackbarIds[0],
                                  kMotorValueFieldIds[0],
                                  kMotorCheckIds[1]};
  FocusList();
  for (std::size_t i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::number(order[i]));
  }
  // On a check box Up and Down move on like Tab and Shift+Tab.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_EQ(QApplication::focusWidget(), Edit(kMotorValueFieldIds[0]));
  Box(kMotorCheckIds[1])->setFocus();
  QTest::keyClick(Box(kMotorCheckIds[1]), Qt::Key_Down);
  EXPECT_EQ(QApplication::focusWidget(), Slider(kMotorTrackbarIds[1]));
}

TEST_F(PosePaneFieldsTest, AValueWiderThanItsFieldShowsItsSign) {
  Type(kXFieldId, "-150.5");
  FocusList();
  QLineEdit* x = Edit(kXFieldId);
  EXPECT_EQ(x->text(), "-150.500000");
  ASSERT_GT(x->fontMetrics().horizontalAdvance(x->text()), x->width() - 8);
  EXPECT_EQ(x->cursorPosition(), 0);
}

TEST_F(PosePaneFieldsTest, AFieldsOwnMenuIsJapaneseAndDoesNotEndTheEdit) {
  Type(kXFieldId, "12");
  const std::size_t steps = Steps();
  // Opening a popup over the field takes the focus for a while; the field is not left.
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(Edit(kXFieldId), &popup);
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(Text(kXFieldId), "12");

  const std::unique_ptr<QMenu> menu = JapaneseEditMenu(Edit(kXFieldId));
  QStringList texts;
  for (const QAction* action : menu->actions()) {
    if (!action->isSeparator()) texts << action->text().section(QLatin1Char('\t'), 0, 0);
  }
  EXPECT_TRUE(texts.contains("コピー(&C)")) << texts.join(' ').toStdString();
  EXPECT_TRUE(texts.contains("貼り付け(&P)"));
  for (const QString& text : texts) {
    EXPECT_GT(text.at(0).unicode(), 0x7f) << text.toStdString();  // no English left over
  }
}

}  // namespace
}  // namespace velmora::testing
