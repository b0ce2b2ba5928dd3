#include "shell/ui/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <utility>

namespace velmora {

namespace {

int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t signalSeen = 0;
bool installed = false;
struct sigaction previousInt {};
struct sigaction previousTerm {};

// Only async-signal-safe calls here.
extern "C" void OnTerminationSignal(int number) {
  const int savedErrno = errno;
  if (signalSeen != 0) {
    // Asked again while closing: the default action (the process ends).
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(number, &fallback, nullptr);
    raise(number);
    errno = savedErrno;
    return;
  }
  signalSeen = 1;
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

bool InstallTerminationHandlers() {
  if (installed) return true;
  if (pipeFds[0] < 0 && pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
    pipeFds[0] = pipeFds[1] = -1;
    return false;
  }
  signalSeen = 0;
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
  installed = true;
  return true;
}

void RemoveTerminationHandlers() {
  if (!installed) return;
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
  installed = false;
  signalSeen = 0;
}

TerminationWatcher::TerminationWatcher(std::function<void(int signal)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (pipeFds[0] < 0) return;
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatcher::Drain);
  // A signal that came before the watcher existed is read once the event loop runs.
}

void TerminationWatcher::Drain() {
  char byte = 0;
  while (read(pipeFds[0], &byte, 1) == 1) {
    if (onSignal_) onSignal_(static_cast<unsigned char>(byte));
  }
}

}  // namespace velmora
