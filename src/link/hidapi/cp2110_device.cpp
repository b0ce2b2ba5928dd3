#include "link/hidapi/cp2110_device.h"

#include <algorithm>
#include <cstring>

#include "link/hidapi/cp2110_reports.h"

namespace velmora {

Cp2110Device::Cp2110Device(HidApi& api, Clock& clock, HidHandle* handle)
    : api_(api), clock_(clock), handle_(handle) {}

Cp2110Device::~Cp2110Device() { api_.Close(handle_); }

int Cp2110Device::Start() {
  Cp2110Report version = FeatureReport(kCp2110GetVersion);
  if (!GetFeature(version.data(), 3)) return kHidUartDeviceIoFailed;
  // Other Silicon Labs parts share the VID/PID space but not this report protocol.
  if (version[1] != kCp2110PartNumber && version[1] != kCp2114PartNumber) {
    return kHidUartDeviceNotFound;
  }
  // The UART comes up disabled after power-up and after a reset; enabling it also purges the
  // chip's FIFOs. The power-up UART configuration (115200 8N1) is what the servo bus uses.
  Cp2110Report enable = FeatureReport(kCp2110UartEnable);
  enable[1] = 1;
  if (!SendFeature(enable.data())) return kHidUartDeviceIoFailed;
  return kHidUartSuccess;
}

int Cp2110Device::Write(const uint8_t* data, std::size_t size, std::size_t* written) {
  std::size_t sent = 0;
  if (written != nullptr) *written = 0;
  if (data == nullptr && size > 0) return kHidUartInvalidParameter;
  const uint32_t start = clock_.NowMs();
  int status = kHidUartSuccess;
  while (sent < size) {
    if (clock_.NowMs() - start >= writeTimeoutMs_) {
      status = kHidUartWriteTimedOut;
      break;
    }
    const std::size_t chunk = std::min(size - sent, kCp2110MaxDataPerReport);
    Cp2110Report report{};
    report[0] = static_cast<uint8_t>(chunk);
    std::memcpy(report.data() + 1, data + sent, chunk);
    const int result = api_.Write(handle_, report.data(), report.size());
    if (result < 0) {
      NoteError();
      status = kHidUartWriteError;
      break;
    }
    if (static_cast<std::size_t>(result) < report.size()) {
      status = kHidUartWriteTimedOut;
      break;
    }
    sent += chunk;
  }
  if (written != nullptr) *written = sent;
  return status;
}

int Cp2110Device::Read(uint8_t* data, std::size_t size, std::size_t* read) {
  if (read != nullptr) *read = 0;
  if (data == nullptr && size > 0) return kHidUartInvalidParameter;
  const uint32_t start = clock_.NowMs();
  bool failed = false;
  std::size_t lateReads = 0;
  while (received_.size() < size) {
    const uint32_t elapsed = clock_.NowMs() - start;
    // Once the time is up, what has already arrived is still taken, without waiting: a host that
    // stalled while the answer came in must not fail a read whose bytes are there. Bounded, so
    // that a device that never stops sending cannot hold the caller.
    const bool late = elapsed >= readTimeoutMs_;
    if (late && ++lateReads > kMaxDiscardedReports) break;
    // Always a full report buffer: Linux hidraw drops whatever does not fit a shorter one.
    Cp2110Report report{};
    const int result = api_.ReadTimeout(handle_, report.data(), report.size(),
                                        late ? 0 : static_cast<int>(readTimeoutMs_ - elapsed));
    if (result < 0) {
      NoteError();
      failed = true;
      break;
    }
    if (result == 0 && late) break;
    // The count comes from the report ID, not from the length the library returns (it differs
    // between platforms); a report claiming more bytes than arrived is not trusted at all.
    const std::size_t count = report[0];
    if (result == 0 || count + 1 > static_cast<std::size_t>(result)) continue;
    received_.insert(received_.end(), report.begin() + 1, report.begin() + 1 + count);
  }
  const std::size_t handed = std::min(size, received_.size());
  std::copy_n(received_.begin(), handed, data);
  received_.erase(received_.begin(), received_.begin() + static_cast<std::ptrdiff_t>(handed));
  if (read != nullptr) *read = handed;
  if (handed == size) return kHidUartSuccess;
  return failed ? kHidUartReadError : kHidUartReadTimedOut;
}

int Cp2110Device::SetTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) {
  readTimeoutMs_ = readTimeoutMs;
  writeTimeoutMs_ = writeTimeoutMs;
  return kHidUartSuccess;
}

int Cp2110Device::DiscardInput(uint32_t waitMs, std::size_t* discarded) {
  std::size_t dropped = received_.size();
  received_.clear();
  const uint32_t start = clock_.NowMs();
  int status = kHidUartSuccess;
  // Bounded, so that a device that never stops sending cannot hold the caller.
  for (std::size_t reports = 0; reports < kMaxDiscardedReports; ++reports) {
    const uint32_t elapsed = clock_.NowMs() - start;
    const uint32_t remaining = elapsed < waitMs ? waitMs - elapsed : 0;
    Cp2110Report report{};
    const int result =
        api_.ReadTimeout(handle_, report.data(), report.size(), static_cast<int>(remaining));
    if (result < 0) {
      NoteError();
      status = kHidUartReadError;
      break;
    }
    if (result == 0) {
      if (remaining == 0) break;
      continue;
    }
    dropped += std::min<std::size_t>(report[0], static_cast<std::size_t>(result - 1));
  }
  if (discarded != nullptr) *discarded = dropped;
  return status;
}

int Cp2110Device::Reset() {
  // Whatever was queued belongs to the UART session the reset ends.
  received_.clear();
  Cp2110Report reset = FeatureReport(kCp2110ResetDevice);
  reset[1] = 0x00;  // reset with re-enumeration
  return SendFeature(reset.data()) ? kHidUartSuccess : kHidUartDeviceIoFailed;
}

int Cp2110Device::GetPinConfig(HidUartPinConfig* config) {
  if (config == nullptr) return kHidUartInvalidParameter;
  Cp2110Report report = FeatureReport(kCp2110PinConfig);
  if (!GetFeature(report.data(), kCp2110PinConfigLength)) return kHidUartDeviceIoFailed;
  *config = DecodePinConfig(report);
  return kHidUartSuccess;
}

int Cp2110Device::SetPinConfig(const HidUartPinConfig& config) {
  if (!PinConfigInRange(config)) return kHidUartInvalidParameter;
  const Cp2110Report report = EncodePinConfig(config);
  return SendFeature(report.data()) ? kHidUartSuccess : kHidUartDeviceIoFailed;
}

bool Cp2110Device::SendFeature(const uint8_t* report) {
  if (api_.SendFeatureReport(handle_, report, kCp2110ReportSize) >= 0) return true;
  NoteError();
  return false;
}

bool Cp2110Device::GetFeature(uint8_t* report, std::size_t minLength) {
  const int result = api_.GetFeatureReport(handle_, report, kCp2110ReportSize);
  if (result >= 0 && static_cast<std::size_t>(result) >= minLength) return true;
  if (result < 0) {
    NoteError();
  } else {
    lastError_ = "short feature report";
  }
  return false;
}

void Cp2110Device::NoteError() { lastError_ = NarrowToAscii(api_.Error(handle_)); }

}  // namespace velmora
