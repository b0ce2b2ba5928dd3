#include "link/servo_link.h"

#include <array>
#include <string_view>

#include "base/c_format.h"
#include "base/change_sink.h"
#include "base/clock.h"
#include "document/motion.h"
#include "link/comm_log.h"
#include "link/hid_uart.h"
#include "link/link_controls.h"
#include "link/local_time.h"
#include "link/servo_packets.h"
#include "link/servo_table.h"

namespace velmora {

namespace {

constexpr std::size_t kTxPin = 10;
constexpr uint8_t kTxOpenDrain = 0x01;

// "%d/%d/%d %02d:%02d:%02d Connect to %s(%daxis). "
std::string ConnectLine(const LocalTime& t, const std::string& robot, int axisCount) {
  return FormatInt(t.year) + "/" + FormatInt(t.month) + "/" + FormatInt(t.day) + " " +
         FormatIntPadded(t.hour, 2) + ":" + FormatIntPadded(t.minute, 2) + ":" +
         FormatIntPadded(t.second, 2) + " Connect to " + robot + "(" + FormatInt(axisCount) +
         "axis). ";
}

}  // namespace

ServoLink::ServoLink(const ServoLinkContext& context) : ctx_(context) {}

ServoLink::~ServoLink() { Stop(); }

void ServoLink::Start() {
  if (thread_.joinable()) return;
  stopRequested_.store(false);
  thread_ = std::thread([this] { Run(); });
}

void ServoLink::RequestStop() { stopRequested_.store(true); }

void ServoLink::Stop() {
  RequestStop();
  if (thread_.joinable()) thread_.join();
}

bool ServoLink::Connected() const { return ctx_.table.connected.load(); }

void ServoLink::Run() {
  while (!stopRequested_.load()) RunOnce();
  Disconnect();
}

void ServoLink::RunOnce() {
  if (device_ != nullptr) {
    Cycle();
    return;
  }
  ctx_.clock.SleepMs(kIdlePauseMs);
  Poll();
}

void ServoLink::Disconnect() {
  if (device_ == nullptr) return;
  NormalDisconnect();
  Close();
}

void ServoLink::Poll() {
  uint32_t count = 0;
  ctx_.bridges.GetNumDevices(&count, kBridgeVid, kBridgePid);  // a failure leaves 0
  bool changed = false;
  if (count != deviceCount_) {
    deviceCount_ = count;
    deviceSlots_.assign(count, std::string());
    changed = true;
  }
  for (uint32_t i = 0; i < count; ++i) {
    std::array<char, kStringBufferSize> buffer{};
    ctx_.bridges.GetString(i, kBridgeVid, kBridgePid, buffer.data(), buffer.size() - 1,
                           kHidUartSerialString);  // a failure leaves the string empty
    // A slot holds at most 511 characters and its terminator.
    const std::string_view text(buffer.data(), kSerialSlotSize - 1);
    const std::string serial(text.substr(0, text.find('\0')));
    if (serial != deviceSlots_[i]) {
      deviceSlots_[i] = serial;
      changed = true;
    }
  }
  if (changed) ctx_.controls.RebuildDevices(deviceSlots_);

  if (!ctx_.controls.IsToggleChecked(kCommunicationToggle)) return;
  const int selection = ctx_.controls.Selection();
  if (selection < 0 || !Connect(selection)) {
    ctx_.controls.SetToggle(kCommunicationToggle, false);
  }
}

bool ServoLink::Connect(int index) {
  HidUartDevice* device = nullptr;
  if (ctx_.bridges.Open(&device, static_cast<uint32_t>(index), kBridgeVid, kBridgePid) !=
          kHidUartSuccess ||
      device == nullptr) {
    return false;
  }
  // The servo bus is half duplex: TX must be open-drain so that the servos can drive the wire.
  // The chip keeps its pin configuration in memory that can be programmed only a limited number
  // of times, so it is written only when it differs, and never on the strength of a failed read.
  HidUartPinConfig pins;
  if (device->GetPinConfig(&pins) == kHidUartSuccess && pins.pins[kTxPin] != kTxOpenDrain) {
    pins.pins[kTxPin] = kTxOpenDrain;
    device->SetPinConfig(pins);  // never acknowledged by the chip
  }
  // A servo answers within milliseconds: a read that waited the bridge's own 1000 ms would keep
  // a dead bus looking alive for seconds.
  device->SetTimeouts(kServoReadTimeoutMs, kHidUartDefaultTimeoutMs);
  ctx_.table.ResetMotion();

  device_ = device;
  deviceSerial_ = static_cast<std::size_t>(index) < deviceSlots_.size()
                      ? deviceSlots_[static_cast<std::size_t>(index)]
                      : std::string();
  ctx_.controls.SetListEnabled(false);
  axisCount_ = ctx_.controls.AxisChoice() == 3 ? 3 : 5;
  ctx_.table.axisCount.store(axisCount_);
  lastMotorState_.reset();
  cycle_ = 0;
  ctx_.log.Replace(ConnectLine(ctx_.localTime.Now(), ctx_.controls.DisplayedText(), axisCount_));
  SetConnected(true);
  return true;
}

void ServoLink::Cycle() {
  if (!ctx_.controls.IsToggleChecked(kCommunicationToggle)) {
    Disconnect();
    return;
  }
  const bool motorsWanted = ctx_.controls.IsToggleChecked(kMotorToggle);
  ServoBus bus{*device_, ctx_.log};

  if (cycle_ % kCurrentEveryCycles == 0) {
    std::array<int16_t, kServoCount> currents{};
    for (int id = 1; id <= axisCount_; ++id) {
      // A servo that does not answer at all has lost its power or left the bus: its position
      // read below will end the connection, so the others are not each waited for first.
      if (!ReadMemMap(bus, id, &currents[id - 1]) && bus.replyMissing) break;
    }
    for (int id = 1; id <= axisCount_; ++id) ctx_.table.motorCurrents[id - 1] = currents[id - 1];
  }
  ++cycle_;

  // After a failed transfer the bus is in an unknown state: nothing more is sent in this cycle,
  // so a dead or stalled bridge is let go at once instead of after a time-out per packet.
  bool registersDue = false;
  bool ok = ReadPositions(bus, registersDue);
  if (ok && (!lastMotorState_.has_value() || registersDue)) ok = WriteRegisters(bus);
  if (ok && lastMotorState_ != motorsWanted) {
    ok = MotorPow(bus, motorsWanted ? 1 : 0, axisCount_);
    if (ok && motorsWanted) {
      // Switching on: bring the arm to the Pose on the screen, slowly.
      const Pose pose = ctx_.motion.Current();
      std::array<uint16_t, kServoCount> times{};
      times.fill(kPowerOnMoveTime);
      SendPose(bus, 1, axisCount_, pose.motorValues, times);  // a failure here is not fatal
    }
    // A failed switch-off leaves the torque as it was; a failed switch-on may have reached some
    // servos all the same.
    if (ok || motorsWanted) lastMotorState_ = motorsWanted;
  }
  if (ok && motorsWanted) ok = SendQueuedGoals(bus);

  if (!ok) {
    Fail();
    return;
  }
  ctx_.clock.SleepMs(kCyclePauseMs);
}

void ServoLink::Fail() {
  // The motor toggle stays as it is, so the next connection switches the torque on again.
  ctx_.controls.SetToggle(kCommunicationToggle, false);
  // The present positions are stale from here on: the recorder, the playback and the view must
  // stop trusting them now, not after the torque-off below, which may wait for the bridge.
  SetConnected(false);
  // A bridge that cannot even take the reset is gone (unplugged): it will not come back from it.
  const bool reset = device_->Reset() == kHidUartSuccess;
  ReleaseDevice();
  // The window shows the robot disconnected from now on; an arm left powered and holding would
  // contradict it. Unless the torque is known to be off, the bridge is opened once more, as it
  // comes back from its reset, for one try at switching it off.
  if (reset && lastMotorState_ != false) SwitchTorqueOffAfterReset();
  Close();
}

void ServoLink::SwitchTorqueOffAfterReset() {
  HidUartDevice* device = Reopen();
  if (device == nullptr) return;
  device->SetTimeouts(kServoReadTimeoutMs, kHidUartDefaultTimeoutMs);
  ServoBus bus{*device, ctx_.log};
  MotorPow(bus, 0, axisCount_);  // best effort: the connection ends either way
  ctx_.bridges.Close(device);
}

HidUartDevice* ServoLink::Reopen() {
  // The reset makes the bridge leave the bus and come back; it is found again by its serial
  // string, since its place in the list may have changed meanwhile.
  const uint32_t start = ctx_.clock.NowMs();
  for (;;) {
    uint32_t count = 0;
    ctx_.bridges.GetNumDevices(&count, kBridgeVid, kBridgePid);
    for (uint32_t i = 0; i < count; ++i) {
      std::array<char, kStringBufferSize> buffer{};
      ctx_.bridges.GetString(i, kBridgeVid, kBridgePid, buffer.data(), buffer.size() - 1,
                             kHidUartSerialString);
      if (std::string_view(buffer.data()) != deviceSerial_) continue;
      HidUartDevice* device = nullptr;
      if (ctx_.bridges.Open(&device, i, kBridgeVid, kBridgePid) == kHidUartSuccess) return device;
    }
    if (ctx_.clock.NowMs() - start >= kReenumerateWaitMs) return nullptr;
    ctx_.clock.SleepMs(kIdlePauseMs);
  }
}

bool ServoLink::ReadPositions(ServoBus& bus, bool& registersDue) {
  for (int id = 1; id <= axisCount_; ++id) {
    int16_t position = ctx_.table.PresentPosition(id);
    if (!RecvPose(bus, id, &position)) return false;
    ctx_.table.SetPresentPosition(id, position);
    // The register dialog flags every entry; the write is done once, when the flag of the last
    // servo in use is seen.
    if (ctx_.table.ClearRequests(id, kWriteRegisters) != 0 && id == axisCount_) {
      registersDue = true;
    }
  }
  return true;
}

bool ServoLink::WriteRegisters(ServoBus& bus) {
  // The compliance and punch bytes go to all five IDs, one at a time, whatever the axis count:
  // a write to a servo that is not there goes unanswered and does no harm.
  for (int id = 1; id <= kServoCount; ++id) {
    const auto image = ctx_.table.RegisterImage(id);
    if (!WriteMemMap(bus, kRegComplianceStart, 6, id, 1,
                     std::span<const uint8_t>(image.data() + kRegComplianceStart, 6))) {
      return false;
    }
  }
  std::array<uint8_t, kServoCount> maxTorque{};
  for (int id = 1; id <= axisCount_; ++id) {
    maxTorque[static_cast<std::size_t>(id - 1)] = ctx_.table.RegisterImage(id)[kRegMaxTorque];
  }
  return WriteMemMap(bus, kRegMaxTorque, 1, 1, axisCount_, maxTorque);
}

bool ServoLink::SendQueuedGoals(ServoBus& bus) {
  const auto count = static_cast<std::size_t>(axisCount_);
  std::array<ServoEntry, kServoCount> taken{};
  for (std::size_t i = 0; i < count; ++i) taken[i] = ctx_.table.TakeGoal(static_cast<int>(i) + 1);
  auto waiting = [&](std::size_t i) { return (taken[i].requests & kSendGoal) != 0; };
  // One packet per run of consecutive IDs with a goal waiting.
  for (std::size_t first = 0; first < count;) {
    if (!waiting(first)) {
      ++first;
      continue;
    }
    std::array<int16_t, kServoCount> positions{};
    std::array<uint16_t, kServoCount> times{};
    std::size_t end = first;
    for (; end < count && waiting(end); ++end) {
      positions[end - first] = taken[end].goalPosition;
      times[end - first] = taken[end].goalTime;
    }
    if (!SendPose(bus, static_cast<int>(first) + 1, static_cast<int>(end - first), positions,
                  times)) {
      return false;
    }
    first = end;
  }
  return true;
}

void ServoLink::NormalDisconnect() {
  // Torque goes off when the user wants the motors on, and also when they were switched on and
  // the toggle was cleared too late for a cycle to act on it: a disconnected arm never keeps its
  // torque.
  const bool toggleOn = ctx_.controls.IsToggleChecked(kMotorToggle);
  if (toggleOn || lastMotorState_.value_or(false)) {
    ServoBus bus{*device_, ctx_.log};
    MotorPow(bus, 0, axisCount_);  // the connection ends either way
  }
  if (toggleOn) ctx_.controls.SetToggle(kMotorToggle, false);
}

void ServoLink::ReleaseDevice() {
  if (device_ == nullptr) return;
  ctx_.bridges.Close(device_);
  device_ = nullptr;
}

void ServoLink::Close() {
  ReleaseDevice();
  ctx_.controls.SetListEnabled(true);
  SetConnected(false);
  ctx_.log.AppendLog("Disconnect.");
}

void ServoLink::SetConnected(bool connected) {
  // A fault clears the flag before closing does: the views hear of each change once.
  if (ctx_.table.connected.exchange(connected) == connected) return;
  if (ctx_.sink != nullptr) ctx_.sink->Notify(kChangeConnection);
}

}  // namespace velmora
