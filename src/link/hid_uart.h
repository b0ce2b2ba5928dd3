#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora {

// Status codes of the bridge calls.
enum HidUartStatus : int {
  kHidUartSuccess = 0x00,
  kHidUartDeviceNotFound = 0x01,
  kHidUartReadError = 0x10,
  kHidUartWriteError = 0x11,
  kHidUartReadTimedOut = 0x12,
  kHidUartWriteTimedOut = 0x13,
  kHidUartDeviceIoFailed = 0x14,
  kHidUartInvalidParameter = 0x20,
};

inline constexpr uint16_t kBridgeVid = 0x10C4;
// Read and write time-outs of a freshly opened bridge.
inline constexpr uint32_t kHidUartDefaultTimeoutMs = 1000;
inline constexpr uint16_t kBridgePid = 0xEA80;

// GetString codes.
enum HidUartStringCode : int {
  kHidUartVidString = 1,
  kHidUartPidString = 2,
  kHidUartPathString = 3,
  kHidUartSerialString = 4,
  kHidUartManufacturerString = 5,
  kHidUartProductString = 6,
};

// The pin configuration of a CP2110 (feature report 0x66).
struct HidUartPinConfig {
  std::array<uint8_t, 13> pins{};  // element 10 is the TX pin: 1 open-drain, 2 push-pull
  bool useSuspendValues = false;
  uint16_t suspendValue = 0;
  uint16_t suspendMode = 0;
  uint8_t rs485Level = 0;
  uint8_t clkDiv = 0;
};

// An open bridge. Only the thread that opened it uses it.
class HidUartDevice {
 public:
  virtual ~HidUartDevice() = default;
  // Writes `size` bytes; `written` gets the number actually written.
  virtual int Write(const uint8_t* data, std::size_t size, std::size_t* written) = 0;
  // Reads up to `size` bytes, waiting at most the read time-out; `read` gets the number received.
  // Fewer than `size` bytes is kHidUartReadTimedOut.
  virtual int Read(uint8_t* data, std::size_t size, std::size_t* read) = 0;
  // Read and write time-outs of this handle (kHidUartDefaultTimeoutMs each when opened).
  virtual int SetTimeouts(uint32_t readTimeoutMs, uint32_t writeTimeoutMs) = 0;
  // Drops every received byte that waits to be read, and whatever else arrives within `waitMs`;
  // `discarded` (when given) gets their number.
  virtual int DiscardInput(uint32_t waitMs, std::size_t* discarded) = 0;
  virtual int Reset() = 0;
  virtual int GetPinConfig(HidUartPinConfig* config) = 0;
  virtual int SetPinConfig(const HidUartPinConfig& config) = 0;
};

// The bridge library: lists the attached bridges of one VID/PID and opens them by index.
class HidUart {
 public:
  virtual ~HidUart() = default;
  virtual int GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) = 0;
  // Copies the NUL-terminated string `code` of device `index` into `buffer` (at most `size` bytes
  // including the terminator).
  virtual int GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer, std::size_t size,
                        int code) = 0;
  // Opens device `index`; on success `*device` owns the open bridge until Close.
  virtual int Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) = 0;
  // Closes and releases a device returned by Open.
  virtual int Close(HidUartDevice* device) = 0;
};

}  // namespace velmora
