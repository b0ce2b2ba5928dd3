// Feeds arbitrary bytes to the servo commands as the bridge's answers: the echo of each packet and
// the reply to each read request. Besides crashes and undefined behaviour it checks that a read
// is accepted only with the request's own echo and a whole, well-formed reply from the servo and
// register asked, and that the value handed back is the reply's.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/comm_log.h"
#include "link/hid_uart.h"
#include "link/servo_packets.h"

namespace {

using namespace velmora;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A bridge handle whose every read hands out the next bytes of the input, as many as asked and
// as are left.
class InputDevice final : public HidUartDevice {
 public:
  InputDevice(const uint8_t* data, std::size_t size, std::size_t written)
      : data_(data), size_(size), written_(written) {}

  int Write(const uint8_t*, std::size_t size, std::size_t* written) override {
    *written = std::min(size, written_);
    return *written == size ? kHidUartSuccess : kHidUartWriteTimedOut;
  }
  int Read(uint8_t* data, std::size_t size, std::size_t* read) override {
    const std::size_t n = std::min(size, size_ - at_);
    std::memcpy(data, data_ + at_, n);
    reads_.emplace_back(data_ + at_, data_ + at_ + n);
    at_ += n;
    *read = n;
    return n == size ? kHidUartSuccess : kHidUartReadTimedOut;
  }
  int SetTimeouts(uint32_t, uint32_t) override { return kHidUartSuccess; }
  int DiscardInput(uint32_t, std::size_t* discarded) override {
    if (discarded != nullptr) *discarded = 0;
    return kHidUartSuccess;
  }
  int Reset() override { return kHidUartSuccess; }
  int GetPinConfig(HidUartPinConfig*) override { return kHidUartSuccess; }
  int SetPinConfig(const HidUartPinConfig&) override { return kHidUartSuccess; }

  const std::vector<std::vector<uint8_t>>& Reads() const { return reads_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t written_;
  std::size_t at_ = 0;
  std::vector<std::vector<uint8_t>> reads_;
};

void CheckRead(bool ok, int id, uint8_t address, int16_t value, const InputDevice& device) {
  if (!ok) {
    Require(value == 0x5A5A);  // a failed read leaves the value alone
    return;
  }
  Packet request;
  Require(BuildReadRequest(id, address, request));
  const auto& reads = device.Reads();
  Require(reads.size() == 2 && reads[0].size() == kReadRequestSize &&
          reads[1].size() == kReplySize);
  Require(std::equal(reads[0].begin(), reads[0].end(), request.bytes.begin()));
  const std::vector<uint8_t>& r = reads[1];
  Require(r[0] == kReplyHeader0 && r[1] == kReplyHeader1 && r[2] == id && r[4] == address &&
          r[5] == 2 && PacketChecksum(r.data(), kReplySize) == 0);
  Require(value == static_cast<int16_t>(static_cast<uint16_t>(r[7] | (r[8] << 8))));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const uint8_t command = data[0];
  const std::size_t written = data[1];
  InputDevice device(data + 2, size - 2, written);
  CommLog log;
  ServoBus bus{device, log, kLogMotorPow | kLogWriteMemMap | kLogSendPose | kLogReads};
  const int id = (command >> 3) % 7;  // 0 and 6 included: IDs the program never asks
  int16_t value = 0x5A5A;
  switch (command % 5) {
    case 0:
      CheckRead(RecvPose(bus, id, &value), id, kRegPresentPosition, value, device);
      break;
    case 1:
      CheckRead(ReadMemMap(bus, id, &value), id, kRegPresentCurrent, value, device);
      break;
    case 2: {
      const bool ok = MotorPow(bus, command & 1, std::max(id, 1));
      Packet p;
      Require(BuildMotorPow(command & 1, std::max(id, 1), p));
      // A write succeeds only on its whole echo.
      Require(!ok ||
              (device.Reads().size() == 1 && device.Reads()[0].size() == p.size &&
               std::equal(p.bytes.begin(), p.bytes.begin() + p.size, device.Reads()[0].begin())));
      break;
    }
    case 3: {
      const std::array<int16_t, 5> positions{-1, 2, -3, 4, -5};
      const std::array<uint16_t, 5> times{1, 2, 3, 4, 5};
      SendPose(bus, 1, std::max(id, 1) % 6, positions, times);
      break;
    }
    default: {
      const std::array<uint8_t, 30> image{};
      WriteMemMap(bus, kRegComplianceStart, 6, 1, std::max(id, 1) % 6, image);
      break;
    }
  }
  return 0;
}
