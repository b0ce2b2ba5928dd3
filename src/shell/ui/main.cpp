#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <utility>

#include "link/hidapi/cp2110_bridge.h"
#include "shell/application.h"
#include "shell/program_state.h"
#include "shell/recovery_offer.h"
#include "shell/ui/main_window.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  // Qt's own texts (the file dialogs' buttons) in the user's language, where Qt has them.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
  // Files live beside the executable: def.ini, skin/, and where the file dialogs start.
  velmora::ApplicationOptions options;
  options.moduleDirectory = QCoreApplication::applicationDirPath().toStdString();
  options.hardware = velmora::MakeCp2110Bridge();

  velmora::ProgramState state;
  velmora::Application app(state, std::move(options));
  // The copy of unsaved work that survives a crash lives in the user's state folder.
  app.EnableRecovery(velmora::DefaultRecoveryDirectory());
  // Register defaults, def.ini, the first Motion; the window does the rest of the start-up.
  app.LoadStartupState();
  int code = 0;
  {
    velmora::MainWindow window(app);
    window.show();
    // Work that a previous run lost in a crash, a kill or a logout.
    velmora::OfferRecovery(app, window);
    code = QApplication::exec();
    // Nothing may read the Motion any more once it is released.
    window.StopThreads();
    app.FinishRun();
  }
  return code;
}
