#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/hid_uart.h"

namespace velmora {

// The CP2110's HID reports. Every report travels in a 64-byte buffer whose byte 0 is the report
// ID; data reports use IDs 1 to 63, the ID being the number of data bytes that follow.
inline constexpr std::size_t kCp2110ReportSize = 64;
inline constexpr std::size_t kCp2110MaxDataPerReport = 63;

using Cp2110Report = std::array<uint8_t, kCp2110ReportSize>;

// Feature report IDs.
inline constexpr uint8_t kCp2110ResetDevice = 0x40;
inline constexpr uint8_t kCp2110UartEnable = 0x41;
inline constexpr uint8_t kCp2110GetVersion = 0x46;
inline constexpr uint8_t kCp2110PinConfig = 0x66;

// Part numbers reported by Get Version.
inline constexpr uint8_t kCp2110PartNumber = 0x0A;
inline constexpr uint8_t kCp2114PartNumber = 0x0E;

// Bytes a Get Pin Configuration answer must hold: the ID and fields 1 to 19.
inline constexpr std::size_t kCp2110PinConfigLength = 20;

// The pins whose only choices are open-drain (1) and push-pull (2): TX, SUSPEND and /SUSPEND.
inline constexpr std::size_t kCp2110FirstOutputOnlyPin = 10;

// The suspend-mode word carries "use the suspend values" in its top bit.
inline constexpr uint16_t kCp2110UseSuspendValuesBit = 0x8000;

// A feature report with only its ID set.
Cp2110Report FeatureReport(uint8_t id);

// Pin configuration <-> report 0x66 (multi-byte fields big-endian).
HidUartPinConfig DecodePinConfig(const Cp2110Report& report);
Cp2110Report EncodePinConfig(const HidUartPinConfig& config);

// The chip drops a whole Set Pin Configuration that holds one value out of range, and the Set is
// never acknowledged, so such a configuration is refused before it is sent.
bool PinConfigInRange(const HidUartPinConfig& config);

}  // namespace velmora
