#include <QApplication>

#include "shell/program_state.h"
#include "shell/ui/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  velmora::ProgramState state;
  velmora::InitialiseProgramState(state);
  velmora::MainWindow window(state);
  window.show();
  return QApplication::exec();
}
