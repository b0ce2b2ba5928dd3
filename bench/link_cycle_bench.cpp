#include <benchmark/benchmark.h>

#include <ctime>

#include "base/clock.h"
#include "document/motion.h"
#include "link/comm_log.h"
#include "link/link_controls.h"
#include "link/local_time.h"
#include "link/servo_link.h"
#include "link/servo_table.h"
#include "link/virtual_robot.h"

namespace velmora {
namespace {

// Time that passes only when the link pauses, and costs nothing: what is measured is the work of
// the cycle itself.
class InstantClock final : public Clock {
 public:
  uint32_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override { now_ += ms; }

 private:
  uint32_t now_ = 0;
};

class FixedTime final : public LocalTimeSource {
 public:
  LocalTime Now() override { return {2026, 1, 1, 0, 0, 0}; }
};

constexpr double kBaud = 115200.0;
constexpr double kBitsPerByte = 10.0;  // start bit, eight data bits, stop bit

// One connected cycle with five servos: their positions read (and their currents every sixth
// cycle), and a goal for every servo sent, as during a playback. The virtual robot answers at
// once, so the time measured is the CPU time of the cycle outside the bus waits (the simulated
// servos' own work included). The bus time is what the same bytes take on the wire at 115200 baud.
void BM_LinkCycleFiveServos(benchmark::State& state) {
  InstantClock clock;
  VirtualRobot robot(clock);
  ServoTable table;
  table.LoadAllRegisterDefaults();
  LinkControls controls;
  CommLog log;
  Motion motion;
  FixedTime localTime;
  ServoLink link({robot, clock, table, controls, log, motion, localTime});
  controls.SetAxisChoice(5);
  controls.SetToggle(kMotorToggle, true);
  controls.SetToggle(kCommunicationToggle, true);
  link.RunOnce();  // connects
  link.RunOnce();  // the first cycle: registers, torque, the move to the current Pose
  if (!table.connected.load()) {
    state.SkipWithError("the virtual robot did not connect");
    return;
  }

  const uint64_t bytesBefore = robot.WireBytesOut() + robot.WireBytesIn();
  const std::clock_t cpuBefore = std::clock();
  int16_t step = 0;
  for (auto _ : state) {
    step = static_cast<int16_t>(step > 1000 ? -1000 : step + 7);
    for (int id = 1; id <= 5; ++id) table.QueueGoal(id, step, 2);
    link.RunOnce();
  }
  const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
  const auto cycles = static_cast<double>(state.iterations());
  const double wireBytes =
      static_cast<double>(robot.WireBytesOut() + robot.WireBytesIn() - bytesBefore);

  const double busUs = wireBytes / cycles * kBitsPerByte / kBaud * 1e6;
  const double cpuUs = cpuSeconds / cycles * 1e6;
  state.counters["cpu_us_per_cycle"] = cpuUs;
  state.counters["bus_us_per_cycle"] = busUs;
  state.counters["bus_bytes_per_cycle"] = wireBytes / cycles;
  state.counters["bus_to_cpu_ratio"] = cpuUs > 0 ? busUs / cpuUs : 0;
  if (!table.connected.load()) state.SkipWithError("the link dropped the virtual robot");
}
BENCHMARK(BM_LinkCycleFiveServos);

}  // namespace
}  // namespace velmora
