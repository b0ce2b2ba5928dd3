#include "simulator/ui/render_thread.h"

#include <QMetaObject>
#include <QObject>
#include <utility>

#include "shell/program_state.h"
#include "simulator/render_loop.h"
#include "simulator/ui/queue_rasterizer.h"
#include "simulator/ui/texture_table.h"

namespace velmora {

RenderThread::RenderThread(ProgramState& state, Options options)
    : state_(state), options_(std::move(options)) {}

RenderThread::~RenderThread() { Stop(); }

void RenderThread::Start() {
  if (thread_.joinable()) return;
  stop_.store(false);
  thread_ = std::thread([this] { Body(); });
}

void RenderThread::Stop() {
  stop_.store(true);
  {
    std::lock_guard lock(waitMutex_);
    if (pendingWait_) {
      std::lock_guard waitLock(pendingWait_->mutex);
      pendingWait_->closed.notify_all();
    }
  }
  if (thread_.joinable()) thread_.join();
}

QImage RenderThread::LatestFrame() const {
  std::lock_guard lock(frameMutex_);
  return latest_;
}

void RenderThread::WaitForFailureBox(const QString& text) {
  if (!options_.textureFailure || options_.uiContext == nullptr) return;
  auto wait = std::make_shared<BoxWait>();
  {
    std::lock_guard lock(waitMutex_);
    pendingWait_ = wait;
  }
  QMetaObject::invokeMethod(
      options_.uiContext,
      [show = options_.textureFailure, text, wait] {
        show(text);
        std::lock_guard lock(wait->mutex);
        wait->done = true;
        wait->closed.notify_all();
      },
      Qt::QueuedConnection);
  {
    std::unique_lock lock(wait->mutex);
    wait->closed.wait(lock, [&] { return wait->done || stop_.load(); });
  }
  std::lock_guard lock(waitMutex_);
  pendingWait_.reset();
}

void RenderThread::Present(QImage& frame) {
  {
    // The finished frame becomes the latest; the previous latest becomes the next back buffer.
    // A copy the UI thread still holds keeps its pixels: painting detaches the shared image.
    std::lock_guard lock(frameMutex_);
    std::swap(latest_, frame);
  }
  framesPresented_.fetch_add(1);
  if (options_.uiContext != nullptr && !frameNoticePending_->exchange(true)) {
    QMetaObject::invokeMethod(
        options_.uiContext,
        [pending = frameNoticePending_, ready = options_.frameReady] {
          pending->store(false);
          if (ready) ready();
        },
        Qt::QueuedConnection);
  }
}

void RenderThread::Body() {
  TextureTable textures = LoadTextures(
      options_.baseDirectory,
      [this](const std::string& relativeName) {
        WaitForFailureBox(TextureFailureText(relativeName));
      },
      [this] { return !stop_.load(); });
  if (stop_.load()) return;

  // A frame left out because it equals the latest counts as presented: the latest shows it. The
  // UI thread is not told, as it has nothing new to paint.
  QueueRasterizer rasterizer(
      options_.viewSize, std::move(textures), options_.font,
      [this](QImage& frame) { Present(frame); }, [this] { framesPresented_.fetch_add(1); });
  Clock& clock = options_.clock != nullptr ? *options_.clock : steadyClock_;
  RenderLoop loop(state_, clock, rasterizer, options_.viewSize.width(), options_.viewSize.height());
  loop.Run(stop_);
}

}  // namespace velmora
