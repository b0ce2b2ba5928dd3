// Feeds arbitrary bytes to the CP2110 bridge code as what hidapi hands back: data reports of any
// length and count, feature reports, failures. Besides crashes and undefined behaviour it checks
// that a read never hands back more than was asked, that it hands back exactly the data bytes
// the reports carried, in order, and that a pin configuration that was read encodes back to the
// same fields.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "link/hidapi/cp2110_device.h"
#include "link/hidapi/cp2110_reports.h"
#include "base/clock.h"

namespace {

using namespace velmora;

void Require(bool condition) {
  if (!condition) std::abort();
}

// hidapi as the input scripts it: each call takes a length byte (0xFF: the call fails), then as
// many bytes as that says.
class InputHidApi final : public HidApi {
 public:
  InputHidApi(FakeClock& clock, const uint8_t* data, std::size_t size)
      : clock_(clock), data_(data), size_(size) {}

  std::vector<HidDeviceEntry> Enumerate(uint16_t, uint16_t) override { return {}; }
  HidHandle* OpenPath(const std::string&) override { return nullptr; }
  void Close(HidHandle*) override {}
  int Write(HidHandle*, const uint8_t*, std::size_t length) override {
    return Next() == 0xFF ? -1 : static_cast<int>(length);
  }
  int ReadTimeout(HidHandle*, uint8_t* data, std::size_t length, int milliseconds) override {
    const int result = Answer(data, length, true);
    // Nothing came: the call waited its time-out.
    if (result == 0) clock_.Advance(static_cast<uint32_t>(std::max(milliseconds, 0)));
    return result;
  }
  int SendFeatureReport(HidHandle*, const uint8_t*, std::size_t length) override {
    return static_cast<int>(length);
  }
  int GetFeatureReport(HidHandle*, uint8_t* data, std::size_t length) override {
    return Answer(data, length, false);
  }
  std::wstring Error(HidHandle*) override { return L"fuzz"; }

  // The UART data of every data report handed out whole, in order.
  std::deque<uint8_t> delivered;

 private:
  int Next() { return at_ < size_ ? data_[at_++] : 0; }
  int Answer(uint8_t* data, std::size_t length, bool dataReport) {
    const int n = Next();
    if (n == 0xFF) return -1;
    const std::size_t take =
        std::min<std::size_t>({static_cast<std::size_t>(n), size_ - at_, length});
    std::memcpy(data, data_ + at_, take);
    at_ += take;
    if (dataReport && take > 0 && std::size_t{data[0]} + 1 <= take) {
      delivered.insert(delivered.end(), data + 1, data + 1 + data[0]);
    }
    return static_cast<int>(take);
  }

  FakeClock& clock_;
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  FakeClock clock;
  InputHidApi api(clock, data + 1, size - 1);
  std::deque<uint8_t> handed;
  {
    Cp2110Device device(api, clock, nullptr);
    if (data[0] & 1) device.Start();
    device.SetTimeouts(data[0] >> 4, 100);
    for (int i = 0; i < 8; ++i) {
      const std::size_t want = (data[0] + i * 37) % 130;
      std::vector<uint8_t> out(want + 1, 0xEE);
      std::size_t got = 999;
      device.Read(out.data(), want, &got);
      Require(got <= want && out[want] == 0xEE);
      handed.insert(handed.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(got));
      if (i == 3) {
        // What was queued and not asked for is dropped: start the comparison afresh.
        std::size_t dropped = 0;
        device.DiscardInput(0, &dropped);
        api.delivered.clear();
        handed.clear();
      }
    }
    HidUartPinConfig config;
    if (device.GetPinConfig(&config) == kHidUartSuccess) {
      const HidUartPinConfig again = DecodePinConfig(EncodePinConfig(config));
      Require(again.pins == config.pins && again.suspendValue == config.suspendValue &&
              again.suspendMode == config.suspendMode &&
              again.useSuspendValues == config.useSuspendValues &&
              again.rs485Level == config.rs485Level && again.clkDiv == config.clkDiv);
      if (!PinConfigInRange(config)) Require(device.SetPinConfig(config) != kHidUartSuccess);
    }
  }
  // Every byte handed back came from a report, in the order the reports carried them.
  Require(handed.size() <= api.delivered.size() &&
          std::equal(handed.begin(), handed.end(), api.delivered.begin()));
  return 0;
}
