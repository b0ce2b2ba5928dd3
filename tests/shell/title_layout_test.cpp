#include <gtest/gtest.h>

#include "base/string_table.h"
#include "shell/main_layout.h"
#include "shell/title.h"

namespace velmora {
namespace {

TEST(Title, UntitledNamedAndModified) {
  const std::string notice = LoadText(40011);
  ASSERT_EQ(notice.rfind("\xE3\x80\x80", 0), 0u);  // begins with U+3000
  EXPECT_EQ(BuildTitle("", false), "Velmora [ 新しいモーション ]" + notice);
  EXPECT_EQ(BuildTitle("C:\\work\\draw.KMO", false), "Velmora [ draw.KMO ]" + notice);
  EXPECT_EQ(BuildTitle("/home/u/arm/draw.KMO", true), "Velmora [ draw.KMO ]" + notice + " *");
  EXPECT_EQ(BuildTitle("plain.KMO", false), "Velmora [ plain.KMO ]" + notice);
}

TEST(StringTable, QuotedTextsByNumber) {
  EXPECT_EQ(LoadText(40001), "Velmora");
  EXPECT_EQ(LoadText(40012), "ロボットと通信していません。");
  EXPECT_EQ(LoadText(40038), "%+d,%+d,%+d,%+d,%+d");
  EXPECT_EQ(LoadText(40055), "モータの設定値を全て初期化します。\nよろしいですか?");
  EXPECT_EQ(LoadText(12345), "");
}

TEST(MainLayout, DpiScalingAndAreas) {
  EXPECT_EQ(ClientRectForDpi(96, 96), (Rect{1, 1, 1000, 650}));
  EXPECT_EQ(ClientRectForDpi(120, 120), (Rect{1, 1, 1250, 812}));
  const MainLayout l = LayoutMainWindow(1000, 650, 28, 334, 621);
  EXPECT_EQ(l.pane, (Rect{0, 27, 334, 648}));
  EXPECT_EQ(l.commLog, (Rect{334, 488, 1000, 650}));
  EXPECT_EQ(l.view, (Rect{334, 26, 1000, 488}));
  // On a larger screen the log keeps its height and place.
  const MainLayout big = LayoutMainWindow(1250, 812, 28, 334, 621);
  EXPECT_EQ(big.commLog.top, 488);
  EXPECT_EQ(big.commLog.Height(), 162);
}

}  // namespace
}  // namespace velmora
