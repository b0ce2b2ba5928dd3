#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "base/clock.h"
#include "link/hid_uart.h"
#include "link/hidapi/hidapi_calls.h"

namespace velmora {

// One open CP2110: UART data over interrupt reports, configuration over feature reports. Owns the
// hidapi handle and closes it when destroyed. Used by one thread at a time (the one that opened
// it), so it needs no lock of its own.
class Cp2110Device final : public HidUartDevice {
 public:
  // Read and write time-outs of a freshly opened handle.
  static constexpr uint32_t kDefaultTimeoutMs = kHidUartDefaultTimeoutMs;

  Cp2110Device(HidApi& api, Clock& clock, HidHandle* handle);
  ~Cp2110Device() override;
  Cp2110Device(const Cp2110Device&) = delete;
  Cp2110Device& operator=(const Cp2110Device&) = delete;

  // Sends the bytes in data reports of at most 63 bytes. A report the library refuses is a write
  // error; one it takes only in part, or running out of the write time-out before everything is
  // sent, is a write time-out. `written` counts the bytes of the reports sent whole.
  int Write(const uint8_t* data, std::size_t size, std::size_t* written) override;
  // Hands back `size` bytes, waiting for data reports up to the read time-out, then taking those
  // already waiting without waiting any more. Bytes that arrive beyond `size` stay queued for the
  // next Read. Fewer than `size` bytes is a read time-out (or a read error when the device
  // failed); either way the bytes received so far are handed back.
  int Read(uint8_t* data, std::size_t size, std::size_t* read) override;
  int SetTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) override;
  // Empties the queue of bytes not yet asked for and takes in, and drops, every data report the
  // USB delivers within `waitMs` (with 0, only those already delivered).
  int DiscardInput(uint32_t waitMs, std::size_t* discarded) override;
  // Resets the chip; it re-enumerates, so this handle is dead afterwards and only fit to close.
  int Reset() override;
  int GetPinConfig(HidUartPinConfig* config) override;
  // Programs the pin configuration. The chip takes it only once in its life and never answers, so
  // callers verify with GetPinConfig when they need to know.
  int SetPinConfig(const HidUartPinConfig& config) override;

  // Enables the UART after checking that the device is a CP2110 or CP2114. Called once by the
  // bridge right after the handle is opened; returns a bridge status.
  int Start();

  // The library's text for the last failure on this handle, for diagnostics.
  const std::string& LastError() const { return lastError_; }

 private:
  // Sends a 64-byte feature report / fetches one, needing at least `minLength` bytes back.
  bool SendFeature(const uint8_t* report);
  bool GetFeature(uint8_t* report, std::size_t minLength);
  void NoteError();

  // More than the chip's 480-byte receive FIFO can hold.
  static constexpr std::size_t kMaxDiscardedReports = 64;

  HidApi& api_;
  Clock& clock_;
  HidHandle* handle_;
  uint32_t readTimeoutMs_ = kDefaultTimeoutMs;
  uint32_t writeTimeoutMs_ = kDefaultTimeoutMs;
  std::deque<uint8_t> received_;  // UART bytes that arrived but were not yet asked for
  std::string lastError_;
};

}  // namespace velmora
