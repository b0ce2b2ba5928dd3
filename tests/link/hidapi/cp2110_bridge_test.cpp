#include "link/hidapi/cp2110_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/hidapi/fake_hidapi.h"

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
