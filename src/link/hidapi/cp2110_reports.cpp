#include "link/hidapi/cp2110_reports.h"

namespace velmora {
namespace {

uint16_t BigEndian16(const Cp2110Report& report, std::size_t offset) {
  return static_cast<uint16_t>((report[offset] << 8) | report[offset + 1]);
}

void PutBigEndian16(Cp2110Report& report, std::size_t offset, uint16_t value) {
  report[offset] = static_cast<uint8_t>(value >> 8);
  report[offset + 1] = static_cast<uint8_t>(value & 0xFF);
}

// Field offsets of report 0x66.
constexpr std::size_t kPinsOffset = 1;
constexpr std::size_t kSuspendValueOffset = 14;
constexpr std::size_t kSuspendModeOffset = 16;
constexpr std::size_t kRs485LevelOffset = 18;
constexpr std::size_t kClockDividerOffset = 19;

constexpr uint8_t kGpioAlternateFunction = 0x03;
constexpr uint8_t kOpenDrain = 0x01;
constexpr uint8_t kPushPull = 0x02;

}  // namespace

Cp2110Report FeatureReport(uint8_t id) {
  Cp2110Report report{};
  report[0] = id;
  return report;
}

HidUartPinConfig DecodePinConfig(const Cp2110Report& report) {
  HidUartPinConfig config;
  for (std::size_t i = 0; i < config.pins.size(); ++i) config.pins[i] = report[kPinsOffset + i];
  config.suspendValue = BigEndian16(report, kSuspendValueOffset);
  const uint16_t mode = BigEndian16(report, kSuspendModeOffset);
  config.useSuspendValues = (mode & kCp2110UseSuspendValuesBit) != 0;
  config.suspendMode = static_cast<uint16_t>(mode & ~kCp2110UseSuspendValuesBit);
  config.rs485Level = report[kRs485LevelOffset];
  config.clkDiv = report[kClockDividerOffset];
  return config;
}

Cp2110Report EncodePinConfig(const HidUartPinConfig& config) {
  Cp2110Report report = FeatureReport(kCp2110PinConfig);
  for (std::size_t i = 0; i < config.pins.size(); ++i) report[kPinsOffset + i] = config.pins[i];
  PutBigEndian16(report, kSuspendValueOffset, config.suspendValue);
  uint16_t mode = static_cast<uint16_t>(config.suspendMode & ~kCp2110UseSuspendValuesBit);
  if (config.useSuspendValues) mode |= kCp2110UseSuspendValuesBit;
  PutBigEndian16(report, kSuspendModeOffset, mode);
  report[kRs485LevelOffset] = config.rs485Level;
  report[kClockDividerOffset] = config.clkDiv;
  return report;
}

bool PinConfigInRange(const HidUartPinConfig& config) {
  for (std::size_t i = 0; i < config.pins.size(); ++i) {
    const uint8_t mode = config.pins[i];
    const bool valid = i < kCp2110FirstOutputOnlyPin ? mode <= kGpioAlternateFunction
                                                     : mode == kOpenDrain || mode == kPushPull;
    if (!valid) return false;
  }
  return config.rs485Level <= 1;
}

}  // namespace velmora
