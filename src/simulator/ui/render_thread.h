#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/clock.h"

class QObject;

namespace velmora {

struct ProgramState;

// The simulator's render thread: loads the textures, then draws a frame about every 17 ms into a
// back buffer and hands each finished frame over without waiting for the UI thread. A frame equal
// to the one on show is neither drawn nor handed over, so an idle simulator costs next to nothing.
// Started once with the size of the view at the first layout; stopped and joined by its owner.
//
// The one time it waits for the UI thread is the message box of a texture that could not be read.
// That wait also ends when a stop is requested, so the UI thread can always join it.
class RenderThread {
 public:
  struct Options {
    QSize viewSize;
    QString baseDirectory;  // skin/ is looked for here
    QFont font;             // the overlay's font
    // UI-thread object the notifications are delivered to; when it is gone they are dropped.
    QObject* uiContext = nullptr;
    // On the UI thread, after a new frame has been handed over (bursts are coalesced).
    std::function<void()> frameReady;
    // On the UI thread: shows the texture failure text and returns when the user closed it.
    std::function<void(const QString& text)> textureFailure;
    Clock* clock = nullptr;  // the steady clock when null
  };

  RenderThread(ProgramState& state, Options options);
  ~RenderThread();  // stops and joins
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  void Start();
  // Asks the thread to end, wakes a pending texture-failure wait and joins. Call on the UI thread.
  void Stop();

  // The newest finished frame (null before the first one).
  QImage LatestFrame() const;
  // Frames on show so far: each frame drawn, and each one left out because the latest showed it.
  uint64_t FramesPresented() const { return framesPresented_.load(); }
  QSize ViewSize() const { return options_.viewSize; }

 private:
  struct BoxWait {
    std::mutex mutex;  // guards done
    std::condition_variable closed;
    bool done = false;
  };

  void Body();
  void Present(QImage& frame);
  void WaitForFailureBox(const QString& text);

  ProgramState& state_;
  Options options_;
  SteadyClock steadyClock_;
  std::thread thread_;
  std::atomic<bool> stop_{false};  // written by Stop (UI thread)
  // Set by the render thread when it posts a frame notice, cleared on the UI thread when the notice
  // runs. Shared with the posted notice, which may outlive this object.
  std::shared_ptr<std::atomic<bool>> frameNoticePending_ =
      std::make_shared<std::atomic<bool>>(false);
  std::atomic<uint64_t> framesPresented_{0};  // written by the render thread

  mutable std::mutex frameMutex_;  // guards latest_
  QImage latest_;

  std::mutex waitMutex_;  // guards pendingWait_
  std::shared_ptr<BoxWait> pendingWait_;
};

}  // namespace velmora
