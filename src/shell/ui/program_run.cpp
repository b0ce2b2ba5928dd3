#include "shell/ui/program_run.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "shell/application.h"
#include "shell/command_dispatch.h"
#include "shell/recovery_offer.h"
#include "shell/ui/main_window.h"
#include "shell/ui/termination_signals.h"

namespace velmora {

int RunProgram(Application& app, const std::vector<std::string>& files,
               const std::function<void(MainWindow&)>& prepare) {
  int code = 0;
  {
    MainWindow window(app);
    if (prepare) prepare(window);
    // Set when the window has closed for a termination signal.
    bool ended = false;
    TerminationWatcher watcher([&window, &ended](int) {
      // Leaves every event loop, a modal dialog's too, once the robot is let go of.
      window.CloseWithoutAsking([&ended] {
        ended = true;
        QCoreApplication::exit(0);
      });
    });
    window.show();
    // A signal that came before the window ends the run before anything is asked.
    watcher.Drain();
    // Work that a previous run lost in a crash, a kill or a logout.
    if (!ended) OfferRecovery(app, window);
    // Opened from within the event loop, so that whatever it asks (the load dialog) runs inside
    // the loop that a termination signal ends.
    if (!ended && !files.empty()) {
      QTimer::singleShot(0, &window, [&app, &window, file = files.front()] {
        if (!OpenMotionAt(app, window, file)) {
          std::fprintf(stderr, "velmora: cannot open %s\n", file.c_str());
        }
      });
    }
    // Qt forgets an exit asked for outside its main event loop (in the start-up question, or
    // before it): a main loop started after that would run for ever without a window. So the
    // exit is asked for again from within the loop, which then ends at once.
    if (ended) QTimer::singleShot(0, &window, [] { QCoreApplication::exit(0); });
    code = QApplication::exec();
    // Nothing may read the Motion any more once it is released.
    window.StopThreads();
    app.FinishRun();
  }
  return code;
}

}  // namespace velmora
