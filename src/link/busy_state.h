#pragma once

#include <atomic>

#include "base/stop_flag.h"

namespace velmora {

// The flags that start and stop the playback and recorder threads. `playing` and `recording` are
// set by the UI thread before a worker starts and cleared by the worker when it ends; the stop
// flags are set by the Stop command; the workers check them and sleep on them between steps.
struct BusyState {
  std::atomic<bool> playing{false};    // set by the UI thread, cleared by the playback thread
  std::atomic<bool> recording{false};  // set by the UI thread, cleared by the recorder thread
  StopFlag playbackStop;               // set by Stop, cleared by the playback thread at start
  StopFlag recordStop;                 // set by Stop, cleared by the recorder thread at start
  std::atomic<int> startIndex{0};      // written by the UI thread before a playback starts
  std::atomic<int> stopIndex{-1};      // -1: play to the end

  bool Busy() const { return playing.load() || recording.load(); }
};

}  // namespace velmora
