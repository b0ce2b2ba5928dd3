// The path preview toggle, the playback speed, the motion check's flags and its window.
#include <QCheckBox>
#include <QListWidget>

#include "document/ui/pose_list_model.h"
#include "document/ui/pose_list_table.h"
#include "document/ui/pose_pane_widget.h"
#include "geometry/kinematics.h"
#include "shell/ui/motion_check_window.h"
#include "support/poses.h"
#include "ui/main_window_fixture.h"

namespace velmora {
namespace {

using testing::MainWindowTest;

using testing::LinearTo;

TEST_F(MainWindowTest, PreviewToggleAndSpeedFollowTheToolbarAndTheMenu) {
  MainToolBar* bar = window->ToolBar();
  EXPECT_FALSE(bar->PathPreview()->isChecked());  // off until the user asks
  QTest::mouseClick(bar->PathPreview(), Qt::LeftButton, {}, QPoint(4, 10));
  EXPECT_TRUE(app.PathPreview());
  EXPECT_TRUE(Action(kCmdPathPreview)->isChecked());
  Action(kCmdPathPreview)->trigger();
  EXPECT_FALSE(app.PathPreview());
  EXPECT_FALSE(bar->PathPreview()->isChecked());

  EXPECT_EQ(bar->Speed()->currentText(), "×1");
  ASSERT_EQ(bar->Speed()->count(), 5);
  bar->Speed()->setCurrentIndex(3);
  emit bar->Speed()->activated(3);
  EXPECT_EQ(app.GetPlaybackSpeed(), PlaybackSpeed::kDouble);
}

TEST_F(MainWindowTest, AFlaggedRowShowsItsReasonsAndTheCheckWindowGoesToIt) {
  const ArmGeometry g = state.geometry.Get();
  state.document.motion.Replace(
      {LinearTo(g, 40, 60, 1000), LinearTo(g, 80, -20, 100), LinearTo(g, 60, 0, 2000)}, 0);
  state.pane.RefreshAfterReplace();
  window->FlushChanges();

  PoseListModel* model = window->Pane()->List()->Model();
  EXPECT_TRUE(model->index(0, 0).data(PoseListModel::kIssueRole).toString().isEmpty());
  const QString reasons = model->index(1, 2).data(PoseListModel::kIssueRole).toString();
  EXPECT_TRUE(reasons.contains(QStringLiteral("サーボの速度が上限を超えます")));
  EXPECT_FALSE(model->index(1, 0).data(Qt::DecorationRole).isNull());
  EXPECT_TRUE(model->index(1, 1).data(Qt::DecorationRole).isNull());

  // An edit that slows the move down clears its flag.
  state.document.motion.Modify(
      [](std::vector<Pose>& p, std::size_t&) { p[1].transitionTime = 3000; });
  state.pane.RefreshAfterReplace();
  window->FlushChanges();
  EXPECT_TRUE(model->index(1, 0).data(PoseListModel::kIssueRole).toString().isEmpty());
  state.document.motion.Modify(
      [](std::vector<Pose>& p, std::size_t&) { p[1].transitionTime = 100; });
  state.pane.RefreshAfterReplace();
  window->FlushChanges();

  window->SetDialogRunner({});
  window->Execute(kCmdMotionCheck, CommandSource::kMenu);
  MotionCheckWindow* check = window->MotionCheck();
  ASSERT_NE(check, nullptr);
  ASSERT_EQ(check->List()->count(), 1);
  EXPECT_TRUE(check->List()->item(0)->text().startsWith(QStringLiteral("ポーズ 2：")));
  emit check->List()->itemDoubleClicked(check->List()->item(0));
  EXPECT_EQ(state.document.motion.CurrentIndex(), 1u);
  check->close();
}

}  // namespace
}  // namespace velmora
