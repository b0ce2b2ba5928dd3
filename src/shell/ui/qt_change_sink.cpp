#include "shell/ui/qt_change_sink.h"

#include <utility>

namespace velmora {

QtChangeSink::QtChangeSink(std::function<void(uint32_t)> apply, QObject* parent)
    : QObject(parent), apply_(std::move(apply)) {
  timer_.setSingleShot(true);
  timer_.setInterval(kCoalesceMs);
  connect(&timer_, &QTimer::timeout, this, &QtChangeSink::Flush);
}

void QtChangeSink::Notify(uint32_t changes) {
  if (changes == 0) return;
  // Only the report that finds nothing pending posts; the later ones ride along with it.
  if (pending_.fetch_or(changes) != 0) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!timer_.isActive()) timer_.start();
      },
      Qt::QueuedConnection);
}

void QtChangeSink::Flush() {
  timer_.stop();
  const uint32_t changes = pending_.exchange(0);
  if (changes != 0 && apply_) apply_(changes);
}

}  // namespace velmora
