#pragma once

#include <cstdint>

namespace velmora {

// What changed in the core state, for the views to refresh. Worker threads never wait for the UI:
// they change the core state and report it here; the Qt layer coalesces the bits and refreshes the
// views on the UI thread.
enum ChangeBits : uint32_t {
  kChangeCommLog = 1u << 0,
  kChangeToggles = 1u << 1,     // communication / motor toggles
  kChangeDeviceList = 1u << 2,  // robot list, its selection or whether it can be used
  kChangeMotion = 1u << 3,      // the list of Poses (rows added, removed, reordered)
  kChangeCurrentPose = 1u << 4, // the current Pose or its values
  kChangeBusy = 1u << 5,        // playback / recording started or ended
  kChangeTitle = 1u << 6,
  kChangeUndo = 1u << 7,        // undo / redo availability
  kChangeHighlight = 1u << 8,   // the row played back
  kChangeConnection = 1u << 9,
};

class ChangeSink {
 public:
  virtual ~ChangeSink() = default;
  // May be called from any thread; must not block on the UI thread.
  virtual void Notify(uint32_t changes) = 0;
};

// A sink that drops everything (for code that runs without views).
class NullChangeSink final : public ChangeSink {
 public:
  void Notify(uint32_t) override {}
};

}  // namespace velmora
