#include "link/hidapi/cp2110_emulator.h"

#include <algorithm>
#include <cstring>

#include "link/hidapi/cp2110_reports.h"
#include "base/clock.h"

namespace velmora {

namespace {

constexpr uint8_t kPurgeFifos = 0x43;
constexpr uint8_t kPurgeReceive = 0x02;
constexpr uint8_t kDeviceVersion = 0x01;

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

// An open handle remembers the generation it was opened in, so unplugging or resetting the
// bridge kills it the way it kills a real one.
struct Cp2110Emulator::Handle {
  uint64_t generation;
};

Cp2110Emulator::Cp2110Emulator(Clock& clock, std::string serial, bool plugged)
    : clock_(clock), serial_(std::move(serial)), path_("virtual:" + serial_), plugged_(plugged) {
  // The chip's factory pin configuration: TX, SUSPEND and /SUSPEND push-pull, RS-485 active
  // high.
  pins_.pins[10] = 0x02;
  pins_.pins[11] = 0x02;
  pins_.pins[12] = 0x02;
  pins_.rs485Level = 1;
}

Cp2110Emulator::~Cp2110Emulator() = default;

Cp2110Emulator::Handle* Cp2110Emulator::LiveLocked(HidHandle* handle) const {
  Handle* h = reinterpret_cast<Handle*>(handle);
  if (h == nullptr || h != open_.get() || !plugged_ || h->generation != generation_) {
    return nullptr;
  }
  return h;
}

bool Cp2110Emulator::ListedLocked() const {
  if (!plugged_) return false;
  return !reenumerating_ || static_cast<int32_t>(backAtMs_ - clock_.NowMs()) <= 0;
}

std::vector<HidDeviceEntry> Cp2110Emulator::Enumerate(uint16_t vid, uint16_t pid) {
  std::lock_guard lock(mutex_);
  std::vector<HidDeviceEntry> entries;
  // As in hidapi, 0 matches any ID.
  if (!ListedLocked() || (vid != 0 && vid != kBridgeVid) || (pid != 0 && pid != kBridgePid)) {
    return entries;
  }
  HidDeviceEntry entry;
  entry.path = path_;
  entry.vendorId = kBridgeVid;
  entry.productId = kBridgePid;
  entry.serialNumber = Widen(serial_);
  entry.manufacturer = L"Velmora";
  entry.product = L"Velmora virtual robot";
  entries.push_back(std::move(entry));
  return entries;
}

HidHandle* Cp2110Emulator::OpenPath(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (!ListedLocked() || busy_ || path != path_ || open_ != nullptr) return nullptr;
  reenumerating_ = false;
  open_ = std::make_unique<Handle>(Handle{generation_});
  return reinterpret_cast<HidHandle*>(open_.get());
}

void Cp2110Emulator::Close(HidHandle* handle) {
  std::lock_guard lock(mutex_);
  if (handle == nullptr || reinterpret_cast<Handle*>(handle) != open_.get()) return;
  open_.reset();
}

int Cp2110Emulator::Write(HidHandle* handle, const uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return -1;
  std::lock_guard lock(mutex_);
  if (LiveLocked(handle) == nullptr) return -1;
  // A data report: the ID is the number of bytes that follow.
  const std::size_t count = data[0];
  if (count < 1 || count > kCp2110MaxDataPerReport || count + 1 > length) return -1;
  if (uartEnabled_) UartSendLocked(data + 1, count);
  return static_cast<int>(length);
}

int Cp2110Emulator::ReadTimeout(HidHandle* handle, uint8_t* data, std::size_t length,
                                int milliseconds) {
  if (data == nullptr || length == 0) return -1;
  const uint32_t start = clock_.NowMs();
  const auto wait = static_cast<uint32_t>(std::max(milliseconds, 0));
  for (;;) {
    uint32_t sleepMs = 0;
    {
      std::lock_guard lock(mutex_);
      if (LiveLocked(handle) == nullptr) return -1;
      const uint32_t now = clock_.NowMs();
      const uint32_t elapsed = now - start;
      if (!rx_.empty() && static_cast<int32_t>(rx_.front().atMs - now) <= 0) {
        // One report of what has arrived, up to 63 bytes and what the caller's buffer holds.
        std::size_t n = 0;
        const std::size_t most = std::min(kCp2110MaxDataPerReport, length - 1);
        while (n < most && !rx_.empty() && static_cast<int32_t>(rx_.front().atMs - now) <= 0) {
          data[1 + n++] = rx_.front().value;
          rx_.pop_front();
        }
        data[0] = static_cast<uint8_t>(n);
        return static_cast<int>(n + 1);
      }
      if (elapsed >= wait) return 0;
      sleepMs = wait - elapsed;
      // Wake when the next byte arrives, if that comes first.
      if (!rx_.empty()) sleepMs = std::min(sleepMs, rx_.front().atMs - now);
    }
    clock_.SleepMs(sleepMs);
  }
}

int Cp2110Emulator::SendFeatureReport(HidHandle* handle, const uint8_t* data, std::size_t length) {
  if (data == nullptr || length < 2) return -1;
  std::lock_guard lock(mutex_);
  if (LiveLocked(handle) == nullptr) return -1;
  switch (data[0]) {
    case kCp2110ResetDevice:
      // The chip re-enumerates: the handle dies, the UART comes back disabled.
      ++generation_;
      uartEnabled_ = false;
      rx_.clear();
      reenumerating_ = reenumerationMs_ > 0;
      backAtMs_ = clock_.NowMs() + reenumerationMs_;
      break;
    case kCp2110UartEnable:
      uartEnabled_ = data[1] == 1;
      rx_.clear();  // enabling purges the FIFOs
      break;
    case kPurgeFifos:
      if ((data[1] & kPurgeReceive) != 0) rx_.clear();
      break;
    case kCp2110PinConfig: {
      ++pinConfigSets_;
      if (length < kCp2110PinConfigLength) return -1;
      Cp2110Report report{};
      std::memcpy(report.data(), data, std::min(length, report.size()));
      const HidUartPinConfig config = DecodePinConfig(report);
      // Programmable once; a configuration with a value out of range is dropped whole.
      if (!pinsProgrammed_ && PinConfigInRange(config)) {
        pins_ = config;
        pinsProgrammed_ = true;
      }
      break;
    }
    default:
      break;  // reports the program does not use are taken and ignored
  }
  return static_cast<int>(length);
}

int Cp2110Emulator::GetFeatureReport(HidHandle* handle, uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return -1;
  std::lock_guard lock(mutex_);
  if (LiveLocked(handle) == nullptr) return -1;
  Cp2110Report report = FeatureReport(data[0]);
  switch (data[0]) {
    case kCp2110GetVersion:
      report[1] = kCp2110PartNumber;
      report[2] = kDeviceVersion;
      break;
    case kCp2110UartEnable:
      report[1] = uartEnabled_ ? 1 : 0;
      break;
    case kCp2110PinConfig:
      report = EncodePinConfig(pins_);
      break;
    default:
      return -1;
  }
  const std::size_t n = std::min(length, report.size());
  std::memcpy(data, report.data(), n);
  return static_cast<int>(n);
}

std::wstring Cp2110Emulator::Error(HidHandle* handle) {
  std::lock_guard lock(mutex_);
  if (handle != nullptr && LiveLocked(handle) == nullptr) return L"No such device";
  return L"Success";
}

void Cp2110Emulator::QueueLocked(const std::vector<uint8_t>& bytes, uint32_t atMs) {
  for (const uint8_t b : bytes) rx_.push_back({b, atMs});
}

void Cp2110Emulator::UartSendLocked(const uint8_t* data, std::size_t size) {
  const uint32_t now = clock_.NowMs();
  if (recording_) packets_.emplace_back(data, data + size);

  // What actually went over the wire, which is also what comes back as the echo.
  std::vector<uint8_t> wire(data, data + size);
  VirtualFault fault{};
  if (TakeFaultLocked(data, size, /*echoFault=*/true, fault)) {
    switch (fault) {
      case VirtualFault::kShortEcho:
        wire.pop_back();
        break;
      case VirtualFault::kMissingEcho:
        wire.clear();
        break;
      case VirtualFault::kWrongEchoByte:
        wire.back() ^= 0xFF;
        break;
      default:
        break;
    }
  }
  QueueLocked(wire, now);
  wireOut_ += wire.size();

  std::vector<uint8_t> reply;
  bus_.Receive(wire, now, reply);
  uint32_t replyAt = now;
  if (reply.size() >= kReplySize && TakeFaultLocked(data, size, /*echoFault=*/false, fault)) {
    // Garbled fields keep the checksum whole, so that only the field checks can catch them.
    const auto regarble = [&reply](std::size_t at, uint8_t value) {
      reply.back() ^= static_cast<uint8_t>(at >= 2 ? reply[at] ^ value : 0);
      reply[at] = value;
    };
    switch (fault) {
      case VirtualFault::kShortReply:
        reply.pop_back();
        break;
      case VirtualFault::kBadChecksum:
        reply.back() ^= 0x01;
        break;
      case VirtualFault::kStalledReply:
        reply.clear();
        break;
      case VirtualFault::kLateReply:
        replyAt = now + kLateReplyMs;
        break;
      case VirtualFault::kWrongHeader:
        regarble(0, kPacketHeader0);
        break;
      case VirtualFault::kWrongId:
        regarble(2, static_cast<uint8_t>(reply[2] % kServoCount + 1));
        break;
      case VirtualFault::kWrongAddress:
        regarble(4, static_cast<uint8_t>(reply[4] ^ (kRegPresentPosition ^ kRegPresentCurrent)));
        break;
      default:
        break;
    }
  }
  QueueLocked(reply, replyAt);
  wireIn_ += reply.size();
}

bool Cp2110Emulator::TakeFaultLocked(const uint8_t* packet, std::size_t size, bool echoFault,
                                     VirtualFault& fault) {
  const bool readRequest = size >= 4 && packet[3] == kFlagsReadRequest;
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    const bool isEcho = it->fault == VirtualFault::kShortEcho ||
                        it->fault == VirtualFault::kMissingEcho ||
                        it->fault == VirtualFault::kWrongEchoByte;
    if (isEcho != echoFault || (!isEcho && !readRequest)) continue;
    if (it->address >= 0 && (size < 5 || packet[4] != it->address)) continue;
    fault = it->fault;
    faults_.erase(it);
    return true;
  }
  return false;
}

void Cp2110Emulator::SetPlugged(bool plugged) {
  std::lock_guard lock(mutex_);
  if (plugged_ == plugged) return;
  plugged_ = plugged;
  if (!plugged) {
    ++generation_;
    uartEnabled_ = false;
    rx_.clear();
  }
}

void Cp2110Emulator::SetReenumerationMs(uint32_t ms) {
  std::lock_guard lock(mutex_);
  reenumerationMs_ = ms;
}

bool Cp2110Emulator::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

void Cp2110Emulator::SetBusy(bool busy) {
  std::lock_guard lock(mutex_);
  busy_ = busy;
}

bool Cp2110Emulator::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_ != nullptr;
}

void Cp2110Emulator::InjectFault(VirtualFault fault, int address) {
  std::lock_guard lock(mutex_);
  faults_.push_back({fault, address});
}

void Cp2110Emulator::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

std::size_t Cp2110Emulator::PendingFaults() const {
  std::lock_guard lock(mutex_);
  return faults_.size();
}

void Cp2110Emulator::SetAnsweringServos(int count) {
  std::lock_guard lock(mutex_);
  bus_.SetAnsweringCount(count);
}

void Cp2110Emulator::SetServoSlowdown(int id, int factor) {
  std::lock_guard lock(mutex_);
  bus_.SetSlowdown(id, factor);
}

void Cp2110Emulator::SetReadingNoise(bool on, uint32_t seed) {
  std::lock_guard lock(mutex_);
  bus_.SetReadingNoise(on, seed);
}

int16_t Cp2110Emulator::PresentPosition(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.PresentPosition(id, clock_.NowMs());
}

int16_t Cp2110Emulator::PresentCurrent(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.PresentCurrent(id, clock_.NowMs());
}

bool Cp2110Emulator::TorqueOn(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.TorqueOn(id);
}

bool Cp2110Emulator::Moving(int id) const {
  std::lock_guard lock(mutex_);
  return bus_.Moving(id, clock_.NowMs());
}

uint8_t Cp2110Emulator::Register(int id, int address) const {
  std::lock_guard lock(mutex_);
  return bus_.Register(id, address);
}

bool Cp2110Emulator::MoveByHand(int id, int16_t position) {
  std::lock_guard lock(mutex_);
  return bus_.MoveByHand(id, position, clock_.NowMs());
}

HidUartPinConfig Cp2110Emulator::PinConfig() const {
  std::lock_guard lock(mutex_);
  return pins_;
}

int Cp2110Emulator::PinConfigSets() const {
  std::lock_guard lock(mutex_);
  return pinConfigSets_;
}

void Cp2110Emulator::RecordPackets(bool on) {
  std::lock_guard lock(mutex_);
  recording_ = on;
}

std::vector<std::vector<uint8_t>> Cp2110Emulator::Packets() const {
  std::lock_guard lock(mutex_);
  return packets_;
}

void Cp2110Emulator::ClearPackets() {
  std::lock_guard lock(mutex_);
  packets_.clear();
}

uint64_t Cp2110Emulator::WireBytesOut() const {
  std::lock_guard lock(mutex_);
  return wireOut_;
}

uint64_t Cp2110Emulator::WireBytesIn() const {
  std::lock_guard lock(mutex_);
  return wireIn_;
}

}  // namespace velmora
