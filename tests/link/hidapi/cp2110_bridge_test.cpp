#include "link/hidapi/cp2110_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/motion.h"
#include "link/bridge_list.h"
#include "link/comm_log.h"
#include "link/hidapi/enumeration_cache.h"
#include "link/hidapi/fake_hidapi.h"
#include "link/link_controls.h"
#include "link/link_fixture.h"
#include "link/servo_link.h"
#include "link/servo_table.h"
#include "link/virtual_robot.h"

namespace velmora {
namespace {

class Cp2110BridgeTest : public ::testing::Test {
 protected:
  std::string String(uint32_t index, int code, int* status = nullptr) {
    std::vector<char> buffer(1024, 'x');
    const int result =
        bridge.GetString(index, kBridgeVid, kBridgePid, buffer.data(), buffer.size(), code);
    if (status != nullptr) *status = result;
    return buffer.data();
  }

  FakeClock clock;
  FakeHidApi api{clock};
  Cp2110Bridge bridge{api, clock};
};

TEST_F(Cp2110BridgeTest, ListsOnlyTheBridgesOfTheGivenIdsWithTheirStringsInAscii) {
  api.AddBridge(L"0001");
  HidDeviceEntry other;
  other.path = "/dev/hidraw9";
  other.vendorId = kBridgeVid;
  other.productId = 0xEA90;
  api.AddDevice(other);
  api.AddBridge(L"R\u00f6bot\u30a2");

  uint32_t count = 99;
  EXPECT_EQ(bridge.GetNumDevices(&count, kBridgeVid, kBridgePid), kHidUartSuccess);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(String(0, kHidUartSerialString), "0001");
  EXPECT_EQ(String(1, kHidUartSerialString), "R?bot?");
  EXPECT_EQ(String(1, kHidUartPathString), "/dev/hidraw2");
  EXPECT_EQ(String(0, kHidUartVidString), "10C4");
  EXPECT_EQ(String(0, kHidUartPidString), "EA80");
  EXPECT_EQ(String(0, kHidUartManufacturerString), "Silicon Labs");
  EXPECT_EQ(String(0, kHidUartProductString), "CP2110 HID USB-to-UART Bridge");

  // A bridge unplugged since the last poll: the list closes up, a stale index finds nothing and
  // leaves an empty string.
  api.device(0).attached = false;
  EXPECT_EQ(bridge.GetNumDevices(&count, kBridgeVid, kBridgePid), kHidUartSuccess);
  EXPECT_EQ(count, 1u);
  int status = 0;
  EXPECT_EQ(String(0, kHidUartSerialString), "R?bot?");
  EXPECT_EQ(String(1, kHidUartSerialString, &status), "");
  EXPECT_EQ(status, kHidUartDeviceNotFound);
}

TEST_F(Cp2110BridgeTest, StringRequestsThatCannotBeServedAreRefusedSafely) {
  api.AddBridge(L"0001");
  int status = 0;
  EXPECT_EQ(String(0, 7, &status), "");
  EXPECT_EQ(status, kHidUartInvalidParameter);

  // A short buffer keeps a terminated prefix and says it was cut.
  char small[3] = {'x', 'x', 'x'};
  EXPECT_EQ(bridge.GetString(0, kBridgeVid, kBridgePid, small, sizeof small, kHidUartSerialString),
            kHidUartInvalidParameter);
  EXPECT_EQ(std::string(small), "00");
  EXPECT_EQ(bridge.GetString(0, kBridgeVid, kBridgePid, small, 0, kHidUartSerialString),
            kHidUartInvalidParameter);
  EXPECT_EQ(bridge.GetNumDevices(nullptr, kBridgeVid, kBridgePid), kHidUartInvalidParameter);
}

TEST_F(Cp2110BridgeTest, OpenChecksTheVersionThenEnablesTheUart) {
  api.AddBridge(L"0001");
  FakeHidDevice& second = api.AddBridge(L"0002", 0x0E);  // a CP2114 speaks the same reports
  HidUartDevice* device = nullptr;
  ASSERT_EQ(bridge.Open(&device, 1, kBridgeVid, kBridgePid), kHidUartSuccess);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(api.device(0).opens, 0);
  EXPECT_EQ(second.opens, 1);
  std::vector<uint8_t> enable(64, 0);
  enable[0] = 0x41;
  enable[1] = 0x01;
  ASSERT_EQ(second.featuresSent.size(), 1u);
  EXPECT_EQ(second.featuresSent[0], enable);
  EXPECT_TRUE(second.writes.empty());  // no UART configuration is sent

  EXPECT_EQ(bridge.Close(device), kHidUartSuccess);
  EXPECT_EQ(second.closes, 1);
  EXPECT_EQ(bridge.Close(device), kHidUartInvalidParameter);  // closed already
  EXPECT_EQ(second.closes, 1);
}

TEST_F(Cp2110BridgeTest, OpenRefusesWhatIsNotAWorkingBridgeAndLeavesNoHandleOpen) {
  FakeHidDevice& wrongPart = api.AddBridge(L"0001", 0x0B);
  FakeHidDevice& silent = api.AddBridge(L"0002");
  silent.featureAnswers.clear();
  FakeHidDevice& shortAnswer = api.AddBridge(L"0003");
  shortAnswer.featureAnswers[0x46] = {0x46, 0x0A};
  api.AddBridge(L"0004").openable = false;

  HidUartDevice* device = nullptr;
  EXPECT_EQ(bridge.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartDeviceNotFound);
  EXPECT_EQ(device, nullptr);
  EXPECT_TRUE(wrongPart.featuresSent.empty());  // the UART of a foreign part is left alone
  EXPECT_EQ(bridge.Open(&device, 1, kBridgeVid, kBridgePid), kHidUartDeviceIoFailed);
  EXPECT_EQ(bridge.Open(&device, 2, kBridgeVid, kBridgePid), kHidUartDeviceIoFailed);
  EXPECT_EQ(bridge.Open(&device, 3, kBridgeVid, kBridgePid), kHidUartDeviceNotFound);
  EXPECT_EQ(bridge.Open(&device, 4, kBridgeVid, kBridgePid), kHidUartDeviceNotFound);
  EXPECT_EQ(bridge.Open(nullptr, 0, kBridgeVid, kBridgePid), kHidUartInvalidParameter);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(api.OpenHandles(), 0);
  EXPECT_EQ(wrongPart.opens, 1);
  EXPECT_EQ(silent.opens, 1);
  EXPECT_EQ(shortAnswer.opens, 1);
}

TEST_F(Cp2110BridgeTest, CloseRefusesForeignDevicesAndTheBridgeClosesWhatIsLeftOpen) {
  api.AddBridge(L"0001");
  {
    FakeClock otherClock;
    FakeHidApi otherApi{otherClock};
    otherApi.AddBridge(L"0009");
    Cp2110Bridge other{otherApi, otherClock};
    HidUartDevice* foreign = nullptr;
    ASSERT_EQ(other.Open(&foreign, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    EXPECT_EQ(bridge.Close(foreign), kHidUartInvalidParameter);
    EXPECT_EQ(bridge.Close(nullptr), kHidUartInvalidParameter);
    EXPECT_EQ(otherApi.OpenHandles(), 1);
  }
  {
    Cp2110Bridge shortLived{api, clock};
    HidUartDevice* first = nullptr;
    HidUartDevice* second = nullptr;
    ASSERT_EQ(shortLived.Open(&first, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    ASSERT_EQ(shortLived.Open(&second, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
    EXPECT_EQ(api.OpenHandles(), 2);
  }
  EXPECT_EQ(api.OpenHandles(), 0);
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// Counts the enumerations that reach the library.
class CountingHidApi final : public HidApi {
 public:
  explicit CountingHidApi(HidApi& api) : api_(api) {}
  std::vector<HidDeviceEntry> Enumerate(uint16_t vid, uint16_t pid) override {
    ++enumerations;
    return api_.Enumerate(vid, pid);
  }
  HidHandle* OpenPath(const std::string& path) override { return api_.OpenPath(path); }
  void Close(HidHandle* handle) override { api_.Close(handle); }
  int Write(HidHandle* handle, const uint8_t* data, std::size_t length) override {
    return api_.Write(handle, data, length);
  }
  int ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length, int ms) override {
    return api_.ReadTimeout(handle, data, length, ms);
  }
  int SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) override {
    return api_.SendFeatureReport(handle, data, length);
  }
  int GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) override {
    return api_.GetFeatureReport(handle, data, length);
  }
  std::wstring Error(HidHandle* handle) override { return api_.Error(handle); }
  int enumerations = 0;

 private:
  HidApi& api_;
};

TEST(EnumerationCache, TheIdleLinkEnumeratesAtAHumanPaceAndStillSeesANewBridgeSoon) {
  FakeClock clock;
  FakeHidApi fake{clock};
  fake.AddBridge(L"0001");
  fake.AddBridge(L"0002");
  CountingHidApi counting(fake);
  EnumerationCache cache(counting, clock);
  Cp2110Bridge hardware(cache, clock);
  VirtualRobot virtualRobot(clock, VirtualRobot::kDefaultSerial, /*plugged=*/false);
  BridgeList bridges(&hardware, virtualRobot);
  ServoTable table;
  LinkControls controls;
  CommLog log;
  Motion motion;
  testing::FixedLocalTime localTime;
  ServoLink link({bridges, clock, table, controls, log, motion, localTime});

  // Ten seconds of idle polls, two bridges listed.
  const uint32_t start = clock.NowMs();
  while (clock.NowMs() - start < 10000) link.RunOnce();
  EXPECT_EQ(controls.Devices(), (std::vector<std::string>{"0001", "0002"}));
  EXPECT_LE(counting.enumerations, 41);
  EXPECT_GE(counting.enumerations, 39);

  // A bridge plugged in shows in the robot list within half a second.
  fake.AddBridge(L"0003");
  const uint32_t plugged = clock.NowMs();
  while (controls.Devices().size() < 3 && clock.NowMs() - plugged < 2000) link.RunOnce();
  EXPECT_EQ(controls.Devices(), (std::vector<std::string>{"0001", "0002", "0003"}));
  EXPECT_LE(clock.NowMs() - plugged, 500u);
}

}  // namespace
}  // namespace velmora
