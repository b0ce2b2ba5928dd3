#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>

#include "base/change_sink.h"

namespace velmora {

// Delivers change reports on the UI thread. Notify may be called from any thread and never
// waits: it ORs the bits into a pending word and, when that word was empty, posts one queued call
// to the UI thread, which waits a few milliseconds for more reports to arrive and then hands all
// of them to `apply` at once. A burst of reports from a worker thus costs one refresh.
class QtChangeSink final : public QObject, public ChangeSink {
  Q_OBJECT

 public:
  static constexpr int kCoalesceMs = 5;

  explicit QtChangeSink(std::function<void(uint32_t)> apply, QObject* parent = nullptr);

  void Notify(uint32_t changes) override;
  // UI thread: delivers what is pending now.
  void Flush();

 private:
  std::function<void(uint32_t)> apply_;
  // Reports not yet delivered; ORed in by any thread, taken whole by the UI thread.
  std::atomic<uint32_t> pending_{0};
  QTimer timer_;
};

}  // namespace velmora
