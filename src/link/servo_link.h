#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora {

class ChangeSink;
class Clock;
class CommLog;
class HidUart;
class HidUartDevice;
class LinkControls;
class LocalTimeSource;
class Motion;
class ServoTable;
struct ServoBus;

// What the link works with. Everything outlives the link.
struct ServoLinkContext {
  HidUart& bridges;  // the bridge library; only the link thread calls it
  Clock& clock;
  ServoTable& table;       // goals in, present positions and currents out
  LinkControls& controls;  // toggles, robot list, axis choice
  CommLog& log;
  const Motion& motion;        // the current Pose, for the move when the motors come on
  LocalTimeSource& localTime;  // for the connect line
  ChangeSink* sink = nullptr;  // told kChangeConnection when `connected` changes
};

// The one thread that owns the connection to the robot. While idle it lists the bridges every
// 16 ms and opens the selected one when communication is switched on. While connected it runs a
// fixed cycle: currents every sixth cycle, every servo's present position, register writes when
// due, torque when the motor toggle changed, the queued goals, then a 10 ms pause. It closes the
// bridge when communication is switched off, after a transfer error, and when it is stopped.
class ServoLink {
 public:
  static constexpr uint32_t kIdlePauseMs = 16;
  static constexpr uint32_t kCyclePauseMs = 10;
  static constexpr int kCurrentEveryCycles = 6;
  static constexpr uint16_t kPowerOnMoveTime = 200;  // 10 ms units: the 2-second move
  static constexpr std::size_t kSerialSlotSize = 512;
  static constexpr std::size_t kStringBufferSize = 1024;
  // How long the link waits, after resetting the bridge, for it to come back so that the torque
  // can be switched off.
  static constexpr uint32_t kReenumerateWaitMs = 500;

  explicit ServoLink(const ServoLinkContext& context);
  ~ServoLink();  // stops and joins the thread
  ServoLink(const ServoLink&) = delete;
  ServoLink& operator=(const ServoLink&) = delete;

  // Starts the thread (once).
  void Start();
  // Asks the thread to end: it finishes its cycle, disconnects as switching communication off
  // does, and returns. Stop also joins it.
  void RequestStop();
  void Stop();

  // One step of the link on the calling thread: an idle poll after its 16 ms pause, or one
  // connected cycle. The thread repeats it; tests call it by hand instead of starting the thread.
  void RunOnce();
  // Ends a connection as switching communication off does (nothing when idle).
  void Disconnect();

  bool Connected() const;

 private:
  void Run();
  void Poll();
  bool Connect(int index);
  void Cycle();
  bool ReadPositions(ServoBus& bus, bool& registersDue);
  bool WriteRegisters(ServoBus& bus);
  bool SendQueuedGoals(ServoBus& bus);
  void NormalDisconnect();
  void Fail();
  void SwitchTorqueOffAfterReset();
  HidUartDevice* Reopen();
  void ReleaseDevice();
  void Close();
  void SetConnected(bool connected);

  ServoLinkContext ctx_;

  // The link thread's own state: touched only by the thread that runs RunOnce.
  uint32_t deviceCount_ = 0;
  std::vector<std::string> deviceSlots_;
  HidUartDevice* device_ = nullptr;
  std::string deviceSerial_;  // of the bridge connected to
  int axisCount_ = 3;
  std::optional<bool> lastMotorState_;  // none: not yet sent on this connection
  uint32_t cycle_ = 0;

  std::atomic<bool> stopRequested_{false};  // written by the owner thread
  std::thread thread_;
};

}  // namespace velmora
