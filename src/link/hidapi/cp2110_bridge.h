#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "base/clock.h"
#include "link/hid_uart.h"
#include "link/hidapi/cp2110_device.h"
#include "link/hidapi/hidapi_calls.h"

namespace velmora {

// The bridge calls over hidapi: lists the attached bridges of a VID/PID and opens them by their
// place in that list. Devices handed out by Open stay owned here until Close (or until the bridge
// itself goes away, which closes whatever is still open).
class Cp2110Bridge : public HidUart {
 public:
  Cp2110Bridge(HidApi& api, Clock& clock) : api_(api), clock_(clock) {}
  ~Cp2110Bridge() override = default;
  Cp2110Bridge(const Cp2110Bridge&) = delete;
  Cp2110Bridge& operator=(const Cp2110Bridge&) = delete;

  int GetNumDevices(uint32_t* count, uint16_t vid, uint16_t pid) override;
  // Codes: 1 VID and 2 PID (four upper-case hex digits), 3 the device path, 4 the serial number,
  // 5 the manufacturer, 6 the product, all narrowed to ASCII. A string longer than the buffer is
  // cut to fit, still NUL-terminated, and reported as an invalid parameter.
  int GetString(uint32_t index, uint16_t vid, uint16_t pid, char* buffer, std::size_t size,
                int code) override;
  // Opens the index-th bridge, refuses anything but a CP2110/CP2114 and enables its UART. Read
  // and write time-outs start at 1000 ms.
  int Open(HidUartDevice** device, uint32_t index, uint16_t vid, uint16_t pid) override;
  // Closes a device from Open. Anything else (or a device closed already) is refused.
  int Close(HidUartDevice* device) override;

 private:
  HidApi& api_;
  Clock& clock_;
  mutable std::mutex mutex_;  // guards open_
  std::vector<std::unique_ptr<Cp2110Device>> open_;
};

// The bridge the program uses: the real hidapi and the steady clock.
std::unique_ptr<HidUart> MakeCp2110Bridge();

}  // namespace velmora
