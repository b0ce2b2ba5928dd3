#include "shell/ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>

#include "shell/program_state.h"
#include "shell/string_table.h"

namespace velmora {
namespace {

TEST(MainWindowUi, StartsWithTitleAndFourAreasThenCloses) {
  ProgramState state;
  InitialiseProgramState(state);
  auto* window = new MainWindow(state);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

  EXPECT_EQ(window->objectName(), "Quorvane");
  EXPECT_EQ(window->windowTitle().toStdString(),
            "Velmora [ 新しいモーション ]" + LoadText(40011));
  EXPECT_EQ(window->pos(), QPoint(30, 20));

  const QWidget* client = window->centralWidget();
  EXPECT_EQ(client->size(), QSize(1000, 650));
  EXPECT_EQ(window->CommLog()->geometry(), QRect(334, 488, 666, 162));
  EXPECT_TRUE(window->CommLog()->isReadOnly());
  EXPECT_EQ(window->PaneArea()->x(), 0);
  EXPECT_EQ(window->PaneArea()->y(), window->ToolBar()->height() - 1);
  EXPECT_EQ(window->ViewArea()->geometry(),
            QRect(334, window->ToolBar()->height() - 2, 666, 488 - (window->ToolBar()->height() - 2)));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());  // fixed size

  QPointer<MainWindow> alive(window);
  window->close();
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

}  // namespace
}  // namespace velmora
