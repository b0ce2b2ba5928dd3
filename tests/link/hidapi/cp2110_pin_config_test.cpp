#include <gtest/gtest.h>

#include <vector>

#include "document/motion.h"
#include "link/comm_log.h"
#include "link/hidapi/cp2110_bridge.h"
#include "link/hidapi/fake_hidapi.h"
#include "link/link_controls.h"
#include "link/local_time.h"
#include "link/servo_link.h"
#include "link/servo_table.h"

namespace velmora {
namespace {

// Report 0x66 as a factory-fresh CP2110 might answer it, with every field distinguishable.
std::vector<uint8_t> PinReport() {
  std::vector<uint8_t> report(64, 0);
  const uint8_t fields[] = {0x66,
                            // pins 0..12: GPIO0_CLK .. GPIO9, TX, SUSPEND, /SUSPEND
                            0x03, 0x03, 0x03, 0x00, 0x01, 0x02, 0x00, 0x00, 0x02, 0x01, 0x02, 0x01,
                            0x02, 0x12, 0x34,  // suspend latch value
                            0x80, 0x05,        // suspend mode, with "use suspend values"
                            0x01,              // RS-485 level
                            0x07};             // clock divider
  std::copy(std::begin(fields), std::end(fields), report.begin());
  return report;
}

class Cp2110PinConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.featureAnswers[0x66] = PinReport();
    ASSERT_EQ(bridge.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    fake.featuresSent.clear();
  }
  void TearDown() override { EXPECT_EQ(bridge.Close(device), kHidUartSuccess); }

  FakeClock clock;
  FakeHidApi api{clock};
  FakeHidDevice& fake = api.AddBridge(L"0001");
  Cp2110Bridge bridge{api, clock};
  HidUartDevice* device = nullptr;
};

TEST_F(Cp2110PinConfigTest, GetReadsTheFieldsBigEndianWithTheSuspendFlagApart) {
  HidUartPinConfig config;
  ASSERT_EQ(device->GetPinConfig(&config), kHidUartSuccess);
  EXPECT_EQ(config.pins, (std::array<uint8_t, 13>{3, 3, 3, 0, 1, 2, 0, 0, 2, 1, 2, 1, 2}));
  EXPECT_EQ(config.suspendValue, 0x1234);
  EXPECT_TRUE(config.useSuspendValues);
  EXPECT_EQ(config.suspendMode, 0x0005);
  EXPECT_EQ(config.rs485Level, 1);
  EXPECT_EQ(config.clkDiv, 7);
}

TEST_F(Cp2110PinConfigTest, SetWritesBackWhatGetReadWithOnlyTheChangedPin) {
  // The connect sequence: read, make TX open-drain, write back.
  HidUartPinConfig config;
  ASSERT_EQ(device->GetPinConfig(&config), kHidUartSuccess);
  config.pins[10] = 1;
  ASSERT_EQ(device->SetPinConfig(config), kHidUartSuccess);
  std::vector<uint8_t> expected = PinReport();
  expected[11] = 0x01;
  ASSERT_EQ(fake.featuresSent.size(), 1u);
  EXPECT_EQ(fake.featuresSent[0], expected);

  // Without suspend values the top bit of the mode word is clear, whatever the caller passed.
  config.useSuspendValues = false;
  config.suspendMode = 0xFFFF;
  ASSERT_EQ(device->SetPinConfig(config), kHidUartSuccess);
  EXPECT_EQ(fake.featuresSent[1][16], 0x7F);
  EXPECT_EQ(fake.featuresSent[1][17], 0xFF);
}

TEST_F(Cp2110PinConfigTest, OutOfRangeValuesAreRefusedBeforeTheyReachTheChip) {
  HidUartPinConfig valid;
  ASSERT_EQ(device->GetPinConfig(&valid), kHidUartSuccess);
  HidUartPinConfig config = valid;
  config.pins[10] = 0;  // TX has no input mode
  EXPECT_EQ(device->SetPinConfig(config), kHidUartInvalidParameter);
  config = valid;
  config.pins[9] = 4;
  EXPECT_EQ(device->SetPinConfig(config), kHidUartInvalidParameter);
  config = valid;
  config.pins[12] = 3;
  EXPECT_EQ(device->SetPinConfig(config), kHidUartInvalidParameter);
  config = valid;
  config.rs485Level = 2;
  EXPECT_EQ(device->SetPinConfig(config), kHidUartInvalidParameter);
  EXPECT_TRUE(fake.featuresSent.empty());
}

TEST_F(Cp2110PinConfigTest, AShortAnswerLeavesTheCallersConfigurationAlone) {
  fake.featureAnswers[0x66].resize(19);
  HidUartPinConfig config;
  config.clkDiv = 42;
  EXPECT_EQ(device->GetPinConfig(&config), kHidUartDeviceIoFailed);
  EXPECT_EQ(config.clkDiv, 42);
  EXPECT_EQ(device->GetPinConfig(nullptr), kHidUartInvalidParameter);
}

class NoonTime final : public LocalTimeSource {
 public:
  LocalTime Now() override { return {2026, 12, 7, 12, 0, 0}; }
};

// The chip keeps its pin configuration in memory that takes only a limited number of writes: the
// link writes it only when the TX pin is not open-drain yet, and never after a failed read.
TEST(ServoLinkPinConfig, WrittenOnlyWhenTheTxPinIsNotOpenDrainYet) {
  FakeClock clock;
  FakeHidApi api{clock};
  FakeHidDevice& fake = api.AddBridge(L"0001");
  Cp2110Bridge bridge{api, clock};
  ServoTable table;
  LinkControls controls;
  CommLog log;
  Motion motion;
  NoonTime localTime;
  ServoLink link({bridge, clock, table, controls, log, motion, localTime});
  const auto connect = [&] {
    fake.featuresSent.clear();
    controls.SetToggle(kCommunicationToggle, true);
    link.RunOnce();
    EXPECT_TRUE(link.Connected());
    link.Disconnect();
    std::vector<std::vector<uint8_t>> pinSets;
    for (const auto& report : fake.featuresSent) {
      if (report[0] == 0x66) pinSets.push_back(report);
    }
    return pinSets;
  };

  fake.featureAnswers[0x66] = PinReport();  // TX push-pull, as from the factory
  const auto first = connect();
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0][11], 0x01);
  fake.featureAnswers[0x66] = first[0];  // what the chip answers from now on
  EXPECT_TRUE(connect().empty());

  fake.featureAnswers.erase(0x66);  // the read fails
  EXPECT_TRUE(connect().empty());
}

}  // namespace
}  // namespace velmora
