#include <gtest/gtest.h>

#include <memory>

#include "link/hidapi/cp2110_bridge.h"

namespace velmora {
namespace {

// The real library, whether or not a bridge is plugged in: an index past the end of the list
// finds nothing, and nothing stays allocated (the sanitizer build checks for leaks).
TEST(HidapiLibrary, AnIndexPastTheListFindsNothing) {
  std::unique_ptr<HidUart> bridge = MakeCp2110Bridge();
  uint32_t count = 12345;
  ASSERT_EQ(bridge->GetNumDevices(&count, kBridgeVid, kBridgePid), kHidUartSuccess);
  ASSERT_LT(count, 12345u);
  char serial[1024] = "stale";
  EXPECT_EQ(
      bridge->GetString(count, kBridgeVid, kBridgePid, serial, sizeof serial, kHidUartSerialString),
      kHidUartDeviceNotFound);
  EXPECT_STREQ(serial, "");
  HidUartDevice* device = nullptr;
  EXPECT_EQ(bridge->Open(&device, count, kBridgeVid, kBridgePid), kHidUartDeviceNotFound);
  EXPECT_EQ(device, nullptr);
}

}  // namespace
}  // namespace velmora
