#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "link/hidapi/cp2110_bridge.h"
#include "link/hidapi/fake_hidapi.h"

namespace velmora {
namespace {

// UART data through an open bridge: data reports out, data reports in.
class Cp2110TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(bridge.Open(&device, 0, kBridgeVid, kBridgePid), kHidUartSuccess);
  }
  void TearDown() override {
    EXPECT_EQ(bridge.Close(device), kHidUartSuccess);
    EXPECT_EQ(api.OpenHandles(), 0);
  }

  static std::vector<uint8_t> Bytes(std::size_t n, uint8_t first = 1) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
  }

  FakeClock clock;
  FakeHidApi api{clock};
  FakeHidDevice& fake = api.AddBridge(L"0001");
  Cp2110Bridge bridge{api, clock};
  HidUartDevice* device = nullptr;
};

TEST_F(Cp2110TransferTest, WriteSplitsIntoZeroPaddedReportsOfAtMost63Bytes) {
  const std::vector<uint8_t> data = Bytes(130);
  std::size_t written = 0;
  ASSERT_EQ(device->Write(data.data(), data.size(), &written), kHidUartSuccess);
  EXPECT_EQ(written, 130u);
  ASSERT_EQ(fake.writes.size(), 3u);
  const std::size_t counts[] = {63, 63, 4};
  std::size_t offset = 0;
  for (std::size_t r = 0; r < 3; ++r) {
    const std::vector<uint8_t>& report = fake.writes[r];
    ASSERT_EQ(report.size(), 64u);
    EXPECT_EQ(report[0], counts[r]);
    for (std::size_t i = 0; i < 63; ++i) {
      const uint8_t expected = i < counts[r] ? data[offset + i] : 0;
      EXPECT_EQ(report[1 + i], expected) << "report " << r << " byte " << i;
    }
    offset += counts[r];
  }

  // Nothing to send sends nothing.
  ASSERT_EQ(device->Write(data.data(), 0, &written), kHidUartSuccess);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(fake.writes.size(), 3u);
}

TEST_F(Cp2110TransferTest, WriteFailuresReportWhatWasSentWhole) {
  const std::vector<uint8_t> data = Bytes(150);
  std::size_t written = 99;

  fake.writeResults = {64, -1};  // the library refuses the second report
  EXPECT_EQ(device->Write(data.data(), data.size(), &written), kHidUartWriteError);
  EXPECT_EQ(written, 63u);
  EXPECT_EQ(fake.writes.size(), 2u);

  fake.writes.clear();
  fake.writeResults = {64, 10};  // takes the second only in part
  EXPECT_EQ(device->Write(data.data(), data.size(), &written), kHidUartWriteTimedOut);
  EXPECT_EQ(written, 63u);

  // Each report takes 600 ms: the third is not started after the 1000 ms time-out.
  fake.writes.clear();
  fake.writeResults.clear();
  fake.writeDelayMs = 600;
  EXPECT_EQ(device->Write(data.data(), data.size(), &written), kHidUartWriteTimedOut);
  EXPECT_EQ(written, 126u);
  EXPECT_EQ(fake.writes.size(), 2u);
}

TEST_F(Cp2110TransferTest, ReadSpansReportsAndKeepsTheSurplusForTheNextRead) {
  // An 8-byte echo arriving as 3 + 4 + 4 bytes, the last report already carrying 3 reply bytes.
  fake.input.push_back(DataReport({0xFA, 0xAF, 0x01}));
  fake.input.push_back(DataReport({0x0F, 0x2A, 0x02, 0x00}, 5));
  fake.input.push_back(DataReport({0x26, 0xFD, 0xDF, 0x01}, 5));
  std::vector<uint8_t> echo(8);
  std::size_t read = 0;
  ASSERT_EQ(device->Read(echo.data(), echo.size(), &read), kHidUartSuccess);
  EXPECT_EQ(read, 8u);
  EXPECT_EQ(echo, (std::vector<uint8_t>{0xFA, 0xAF, 0x01, 0x0F, 0x2A, 0x02, 0x00, 0x26}));

  // The surplus comes first, without waiting for the library when it is enough.
  const std::size_t callsBefore = fake.readTimeouts.size();
  std::vector<uint8_t> two(2);
  ASSERT_EQ(device->Read(two.data(), two.size(), &read), kHidUartSuccess);
  EXPECT_EQ(two, (std::vector<uint8_t>{0xFD, 0xDF}));
  EXPECT_EQ(fake.readTimeouts.size(), callsBefore);

  fake.input.push_back(DataReport({0x02, 0x03}));
  std::vector<uint8_t> three(3);
  ASSERT_EQ(device->Read(three.data(), three.size(), &read), kHidUartSuccess);
  EXPECT_EQ(three, (std::vector<uint8_t>{0x01, 0x02, 0x03}));
}

TEST_F(Cp2110TransferTest, ReadTimeOutHandsBackTheBytesReceivedSoFar) {
  fake.input.push_back(DataReport({0x11, 0x22, 0x33}, 400));
  const uint32_t start = clock.NowMs();
  std::vector<uint8_t> buffer(10, 0xEE);
  std::size_t read = 0;
  EXPECT_EQ(device->Read(buffer.data(), buffer.size(), &read), kHidUartReadTimedOut);
  EXPECT_EQ(read, 3u);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(buffer[2], 0x33);
  EXPECT_EQ(buffer[3], 0xEE);
  // One time-out for the whole call: each wait gets only the time that is left, and a last look
  // without waiting takes what may have arrived meanwhile.
  EXPECT_EQ(fake.readTimeouts, (std::vector<int>{1000, 600, 0}));
  EXPECT_EQ(clock.NowMs() - start, 1000u);

  // Nothing at all: a time-out with no bytes; the next read starts a fresh time-out.
  fake.readTimeouts.clear();
  EXPECT_EQ(device->Read(buffer.data(), 1, &read), kHidUartReadTimedOut);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(fake.readTimeouts, (std::vector<int>{1000, 0}));
}

TEST_F(Cp2110TransferTest, ReadCountsFromTheReportIdAndSkipsReportsThatClaimTooMuch) {
  // Windows hands back all 64 bytes whatever the count.
  FakeInputReport full = DataReport({0x01, 0x02});
  full.bytes.resize(64, 0x77);
  fake.input.push_back(full);
  // A report whose count runs past what arrived.
  FakeInputReport truncated = DataReport({0x55, 0x55, 0x55, 0x55});
  truncated.bytes.resize(4);
  fake.input.push_back(truncated);
  fake.input.push_back(DataReport({}));  // a report with no data
  fake.input.push_back(DataReport({0x03}));
  std::vector<uint8_t> buffer(3);
  std::size_t read = 0;
  ASSERT_EQ(device->Read(buffer.data(), buffer.size(), &read), kHidUartSuccess);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0x01, 0x02, 0x03}));
}

TEST_F(Cp2110TransferTest, AVanishedDeviceFailsEveryCallAtOnce) {
  fake.input.push_back(DataReport({0xFA, 0xAF}));
  FakeInputReport unplug;
  unplug.vanish = true;
  fake.input.push_back(unplug);
  const uint32_t start = clock.NowMs();
  std::vector<uint8_t> buffer(8);
  std::size_t read = 0;
  EXPECT_EQ(device->Read(buffer.data(), buffer.size(), &read), kHidUartReadError);
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(buffer[1], 0xAF);
  EXPECT_EQ(clock.NowMs() - start, 0u);  // no waiting for a time-out
  EXPECT_EQ(static_cast<Cp2110Device*>(device)->LastError(), "No such device");

  std::size_t written = 0;
  EXPECT_EQ(device->Write(buffer.data(), buffer.size(), &written), kHidUartWriteError);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(device->Read(buffer.data(), buffer.size(), &read), kHidUartReadError);
  EXPECT_EQ(read, 0u);
  HidUartPinConfig config;
  EXPECT_EQ(device->GetPinConfig(&config), kHidUartDeviceIoFailed);
  config.pins[10] = config.pins[11] = config.pins[12] = 2;
  EXPECT_EQ(device->SetPinConfig(config), kHidUartDeviceIoFailed);
  EXPECT_EQ(device->Reset(), kHidUartDeviceIoFailed);
  EXPECT_EQ(clock.NowMs() - start, 0u);
}

TEST_F(Cp2110TransferTest, ResetSendsTheResetReportAndDropsQueuedBytes) {
  fake.input.push_back(DataReport({0x01, 0x02, 0x03}));
  std::vector<uint8_t> buffer(1);
  std::size_t read = 0;
  ASSERT_EQ(device->Read(buffer.data(), 1, &read), kHidUartSuccess);

  fake.featuresSent.clear();
  ASSERT_EQ(device->Reset(), kHidUartSuccess);
  std::vector<uint8_t> reset(64, 0);
  reset[0] = 0x40;
  ASSERT_EQ(fake.featuresSent.size(), 1u);
  EXPECT_EQ(fake.featuresSent[0], reset);
  EXPECT_EQ(device->Read(buffer.data(), 1, &read), kHidUartReadTimedOut);
  EXPECT_EQ(read, 0u);
}

}  // namespace
}  // namespace velmora
