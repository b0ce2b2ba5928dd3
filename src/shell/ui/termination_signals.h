#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace velmora {

// SIGINT (Ctrl+C in a terminal) and SIGTERM end the program as a close does. The handlers only
// write the signal's number into a pipe; the UI thread reads it through a TerminationWatcher and
// does the real work there. A second signal while the first is still being handled ends the
// process at once, for a shutdown that hangs.
//
// Installs the handlers (once; later calls do nothing). Call it first thing in main(), so that a
// signal that comes before the window is waiting in the pipe. False when the pipe could not be
// made.
bool InstallTerminationHandlers();
// Puts the handlers that were there before back (for tests).
void RemoveTerminationHandlers();

// Calls `onSignal` on the UI thread for each termination signal that arrived.
class TerminationWatcher final : public QObject {
  Q_OBJECT

 public:
  explicit TerminationWatcher(std::function<void(int signal)> onSignal, QObject* parent = nullptr);

  // Handles the signals that arrived so far, now, without the event loop.
  void Drain();

 private:
  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace velmora
