#pragma once

#include <cstdint>

namespace velmora {

// What the document may ask of the robot: queue a goal for a servo, and read where the servos
// stand. The link's ServoTable implements it, so the document never sees the wire.
class ServoPort {
 public:
  virtual ~ServoPort() = default;

  // Servo IDs are 1..5. A goal is `position` reached in `time` (10 ms units).
  virtual void QueueGoal(int id, int16_t position, uint16_t time) = 0;
  virtual int16_t PresentPosition(int id) const = 0;
  // How many servos the robot has (IDs 1 to AxisCount).
  virtual int AxisCount() const = 0;
};

}  // namespace velmora
