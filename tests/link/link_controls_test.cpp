#include "link/link_controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

class RecordingSink final : public ChangeSink {
 public:
  void Notify(uint32_t changes) override { seen.push_back(changes); }
  std::vector<uint32_t> seen;
};

TEST(LinkControls, AToggleIsOnOnlyWhileCheckedAndEnabled) {
  RecordingSink sink;
  LinkControls c(&sink);
  EXPECT_FALSE(c.IsToggleChecked(kCommunicationToggle));
  c.SetToggle(kCommunicationToggle, true);
  EXPECT_TRUE(c.IsToggleChecked(kCommunicationToggle));
  EXPECT_FALSE(c.IsToggleChecked(kMotorToggle));
  c.EnableToggle(kCommunicationToggle, false);
  EXPECT_FALSE(c.IsToggleChecked(kCommunicationToggle));
  EXPECT_TRUE(c.State().communicationChecked);  // the button still shows its check
  c.EnableToggle(kCommunicationToggle, true);
  EXPECT_TRUE(c.IsToggleChecked(kCommunicationToggle));
  c.SetToggle(kCommunicationToggle, true);  // no change, no notification
  c.SetToggle(40002, true);                 // not a toggle
  EXPECT_FALSE(c.IsToggleChecked(40002));
  EXPECT_EQ(sink.seen, (std::vector<uint32_t>{kChangeToggles, kChangeToggles, kChangeToggles}));
}

TEST(LinkControls, RebuiltListKeepsTheSelectionOnTheSameText) {
  LinkControls c;
  c.RebuildDevices({"A", "B", "C"});
  EXPECT_EQ(c.Selection(), 0);
  ASSERT_TRUE(c.SelectDevice(2));
  EXPECT_EQ(c.DisplayedText(), "C");
  c.RebuildDevices({"C", "A"});  // found elsewhere
  EXPECT_EQ(c.Selection(), 0);
  c.RebuildDevices({"C", "B", "C"});  // the last entry with that text
  EXPECT_EQ(c.Selection(), 2);
  c.RebuildDevices({"B", "A"});  // gone: the first entry
  EXPECT_EQ(c.Selection(), 0);
  c.RebuildDevices({});
  EXPECT_EQ(c.Selection(), -1);
  EXPECT_EQ(c.DisplayedText(), "");
  EXPECT_FALSE(c.SelectDevice(0));

  // The list shows at most 255 characters, and that is what it compares.
  const std::string longName(300, 'x');
  c.RebuildDevices({"a", longName});
  ASSERT_TRUE(c.SelectDevice(1));
  EXPECT_EQ(c.DisplayedText(), std::string(255, 'x'));
  c.RebuildDevices({std::string(255, 'x') + "y", "a"});
  EXPECT_EQ(c.Selection(), 0);
}

TEST(LinkControls, TheListAndTheAxisChoiceAreLockedWhileConnected) {
  RecordingSink sink;
  LinkControls c(&sink);
  c.RebuildDevices({"A", "B"});
  EXPECT_EQ(c.AxisChoice(), 3);
  EXPECT_FALSE(c.SetAxisChoice(4));
  EXPECT_TRUE(c.SetAxisChoice(5));
  c.SetListEnabled(false);
  EXPECT_FALSE(c.SelectDevice(1));
  EXPECT_FALSE(c.SetAxisChoice(3));
  EXPECT_EQ(c.Selection(), 0);
  EXPECT_EQ(c.AxisChoice(), 5);
  c.SetListEnabled(true);
  EXPECT_TRUE(c.SelectDevice(1));
  for (uint32_t bits : sink.seen) EXPECT_EQ(bits, kChangeDeviceList);
  EXPECT_EQ(sink.seen.size(), 5u);
}

}  // namespace
}  // namespace velmora
