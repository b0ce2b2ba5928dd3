#include "shell/version_info.h"

#include <gtest/gtest.h>

#include "support/map_view.h"

namespace velmora {
namespace {

TEST(AboutBox, FilledFromTheEmbeddedVersion) {
  testing::MapView view;
  FillAboutBox(view, EmbeddedVersionBlock());
  EXPECT_EQ(view.Text(kAboutProductName), "Velmora");
  EXPECT_EQ(view.Text(kAboutProductVersion), "バージョン\t1, 0, 0, 1");
  EXPECT_EQ(view.Text(kAboutComment), "コメント\t\tRelease1");
  EXPECT_EQ(view.Text(kAboutCompany).rfind("会社名\t\t", 0), 0u);
  EXPECT_EQ(view.Text(kAboutCopyright).rfind("著作権\t\t", 0), 0u);
}

TEST(AboutBox, FallsBackThroughTheKnownTablesAndKeepsTemplates) {
  VersionBlock block;
  block.translations.push_back(0x0411u | (1200u << 16));  // names a table that does not exist
  block.values["\\StringFileInfo\\040904e4\\ProductName"] = "Fallback";
  block.values["\\StringFileInfo\\040904e4\\Comments"] = "from 0409/1252";
  const auto lookup = ReadVersionBlock(block);
  ASSERT_TRUE(lookup.has_value());
  EXPECT_EQ(VersionString(*lookup, "ProductName"), "Fallback");
  EXPECT_EQ(VersionString(*lookup, "CompanyName"), "");

  testing::MapView view;
  view.SetText(kAboutProductName, "製品名");
  FillAboutBox(view, block);
  EXPECT_EQ(view.Text(kAboutProductName), "Fallback");
  EXPECT_EQ(view.Text(kAboutCompany), "会社名\t\t");  // a missing value shows its label

  // Without a translation nothing is read and the template texts stay.
  testing::MapView untouched;
  untouched.SetText(kAboutProductName, "製品名");
  FillAboutBox(untouched, VersionBlock{});
  EXPECT_EQ(untouched.Text(kAboutProductName), "製品名");
  EXPECT_EQ(untouched.Text(kAboutComment), "");
}

// The first table found wins, in the order character set first, then language.
TEST(AboutBox, SearchOrderIsCharsetThenLanguage) {
  VersionBlock block;
  block.translations.push_back(0x0407u);
  block.values["\\StringFileInfo\\04090000\\Comments"] = "lang 0409, cs 0";
  block.values["\\StringFileInfo\\040104b0\\Comments"] = "lang 0401, cs 1200";
  block.values["\\StringFileInfo\\100c0000\\Comments"] = "lang 100c, cs 0";
  EXPECT_EQ(VersionString(*ReadVersionBlock(block), "Comments"), "lang 0409, cs 0");
}

}  // namespace
}  // namespace velmora
