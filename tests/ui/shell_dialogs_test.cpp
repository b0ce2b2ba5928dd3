#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "base/change_sink.h"
#include "document/motion_file.h"
#include "shell/ui/about_box.h"
#include "shell/ui/main_window.h"
#include "shell/ui/qt_change_sink.h"
#include "shell/ui/qt_file_dialogs.h"

namespace velmora {
namespace {

QString LabelText(const AboutBox& box, int id) {
  const auto* label = qobject_cast<const QLabel*>(box.Control(id));
  return label == nullptr ? QString() : label->text();
}

TEST(AboutBoxUi, ShowsTheVersionInformationAndOnlyOkOrTheCloseBoxEndIt) {
  AboutBox box;
  EXPECT_EQ(box.windowTitle(), "バージョン情報");
  EXPECT_EQ(LabelText(box, 1028), "Velmora");
  EXPECT_EQ(LabelText(box, 1029), "バージョン\t1, 0, 0, 1");
  EXPECT_EQ(LabelText(box, 1030), "会社名\t\tVelmora Project");
  EXPECT_EQ(LabelText(box, 1031), "著作権\t\t(C) 2026 Velmora Project");
  EXPECT_EQ(LabelText(box, 1032), "コメント\t\tRelease1");
  const auto* icon = box.findChild<QLabel*>(QStringLiteral("139"));
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->pixmap().isNull());

  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_TRUE(box.isVisible());  // there is no cancel button
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Accepted);

  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  box.close();  // the close box
  EXPECT_FALSE(box.isVisible());

  AboutBox clicked;
  clicked.show();
  auto* ok = qobject_cast<QPushButton*>(clicked.Control(1));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(clicked.isVisible());
}

TEST(MotionFileDialogUi, SaveAndOpenDialogsAreSetUpFromTheRequest) {
  FileDialogRequest request;
  request.title = kSaveMotionTitle;
  request.filterDescription = "KMO";
  request.filterPattern = "*.KMO";
  request.defaultExtension = "KMO";
  request.initialDirectory = QDir::tempPath().toStdString();

  auto save = MakeMotionFileDialog(request, /*save=*/true, nullptr);
  EXPECT_EQ(save->windowTitle(), "モーションの保存");
  EXPECT_EQ(save->nameFilters(), QStringList{"KMO (*.KMO)"});
  EXPECT_EQ(save->defaultSuffix(), "KMO");
  EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));  // asks before replacing
  EXPECT_EQ(QDir(save->directory()).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());

  request.title = kOpenMotionTitle;
  request.initialName = "/nonexistent-velmora-dir/walk.KMO";
  auto open = MakeMotionFileDialog(request, /*save=*/false, nullptr);
  EXPECT_EQ(open->windowTitle(), "モーションの読み込み");
  EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);  // the file must exist
  EXPECT_EQ(open->nameFilters(), QStringList{"KMO (*.KMO)"});
}

TEST(QtChangeSinkUi, ABurstFromWorkerThreadsArrivesAsFewDeliveriesWithEveryBit) {
  std::vector<uint32_t> deliveries;
  QtChangeSink sink([&](uint32_t changes) { deliveries.push_back(changes); });
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&sink, t] {
      for (int i = 0; i < 1000; ++i) sink.Notify(1u << (t + (i % 2) * 4));
    });
  }
  for (auto& w : workers) w.join();  // the workers never waited for this thread
  EXPECT_TRUE(deliveries.empty());   // nothing is applied before the UI thread runs
  ASSERT_TRUE(QTest::qWaitFor([&] { return !deliveries.empty(); }, 5000));
  QTest::qWait(3 * QtChangeSink::kCoalesceMs);
  uint32_t all = 0;
  for (uint32_t d : deliveries) all |= d;
  EXPECT_EQ(all, 0xFFu);
  EXPECT_LE(deliveries.size(), 2u);

  deliveries.clear();
  sink.Notify(kChangeTitle);
  sink.Flush();  // at once, for a caller that needs the views now
  EXPECT_EQ(deliveries, std::vector<uint32_t>{kChangeTitle});
  QTest::qWait(3 * QtChangeSink::kCoalesceMs);
  EXPECT_EQ(deliveries.size(), 1u);  // the posted call found nothing left
}

TEST(UiFontUi, FaceNameIsReadAsUtf8OrAsTheShiftJisOfAWindowsDefIni) {
  // "ＭＳ ゴシック" as a def.ini written on Windows holds it.
  EXPECT_EQ(UiFont("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e").families().front(),
            "ＭＳ ゴシック");
  EXPECT_EQ(UiFont("IPAゴシック").families().front(), "IPAゴシック");
  EXPECT_EQ(UiFont("").families().front(), "ＭＳ ゴシック");
  // Bytes that are text in neither encoding: the default face, with the fallbacks after it.
  const QFont broken = UiFont("\xff\xfe\x80");
  EXPECT_EQ(broken.families().front(), "ＭＳ ゴシック");
  EXPECT_TRUE(broken.families().contains("IPAGothic"));
  EXPECT_EQ(broken.pixelSize(), 12);
}

}  // namespace
}  // namespace velmora
