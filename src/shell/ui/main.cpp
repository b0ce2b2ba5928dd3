#include <QApplication>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "link/hidapi/cp2110_bridge.h"
#include "link/ui/svg_reader.h"
#include "shell/application.h"
#include "shell/cli.h"
#include "shell/command_line.h"
#include "shell/program_paths.h"
#include "shell/program_state.h"
#include "shell/ui/program_run.h"
#include "shell/ui/termination_signals.h"

namespace {

// Qt ends the process when it cannot open its platform (a DISPLAY that names no server): say
// what to do instead of aborting.
QtMessageHandler qtHandler = nullptr;
void OnQtMessageDuringStartUp(QtMsgType type, const QMessageLogContext& context,
                              const QString& text) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s\n", velmora::kNoDisplayText);
    std::_Exit(1);
  }
  if (qtHandler != nullptr) qtHandler(type, context, text);
}

std::atomic<bool> cliInterrupted{false};
extern "C" void OnCliSignal(int) { cliInterrupted.store(true); }

// The subcommands run without Qt: they work over ssh with no display.
int RunCommandLine(const std::vector<std::string>& args) {
  struct sigaction action {};
  action.sa_handler = OnCliSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  velmora::CliIo io;
  io.out = [](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  };
  io.err = [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); };
  io.terminal = isatty(STDOUT_FILENO) != 0;
  io.interrupted = &cliInterrupted;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  io.moduleDirectory = ec ? std::filesystem::current_path(ec) : exe.parent_path();
  io.environment = velmora::ProcessPathEnvironment();
  io.makeHardware = [] { return velmora::MakeCp2110Bridge(); };
  io.readDrawing = [](const std::string& path) {
    velmora::SvgReadResult read = velmora::ReadSvgFile(path);
    return velmora::CliDrawingRead{read.ok(), velmora::SvgErrorText(read.error),
                                   std::move(read.drawing)};
  };
  return velmora::RunCli(args, io);
}

}  // namespace

int main(int argc, char** argv) {
  if (const std::vector<std::string> args(argv + 1, argv + argc); velmora::IsCliCommand(args)) {
    return RunCommandLine(args);
  }
  // First, so that a Ctrl+C during the start-up waits for the window to handle it.
  velmora::InstallTerminationHandlers();

  // --help and --version need no display. Qt's own options are left to Qt.
  std::vector<std::string> args(argv + 1, argv + argc);
  const velmora::CommandLine early = velmora::ParseCommandLine(args);
  if (early.action == velmora::CommandLine::Action::kHelp) {
    std::fputs(velmora::HelpText().c_str(), stdout);
    return 0;
  }
  if (early.action == velmora::CommandLine::Action::kVersion) {
    std::fputs(velmora::VersionText().c_str(), stdout);
    return 0;
  }
  if (!velmora::DisplayAvailable(velmora::ProcessDisplayEnvironment(argc, argv))) {
    std::fprintf(stderr, "%s\n", velmora::kNoDisplayText);
    return 1;
  }

  qtHandler = qInstallMessageHandler(OnQtMessageDuringStartUp);
  QApplication qt(argc, argv);
  qInstallMessageHandler(qtHandler);
  // Docks and task bars find the icon through the desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("velmora"));

  // The program's own arguments, now that Qt has taken its options out.
  args.clear();
  const QStringList qtArgs = QCoreApplication::arguments();
  for (qsizetype i = 1; i < qtArgs.size(); ++i) args.push_back(qtArgs[i].toStdString());
  const velmora::CommandLine line = velmora::ParseCommandLine(args);
  if (line.action == velmora::CommandLine::Action::kError) {
    std::fprintf(stderr, "velmora: %s\n", line.error.c_str());
    return 2;
  }

  // Qt's own texts (the file dialogs' buttons) in the user's language, where Qt has them.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
  // The file dialogs start beside the executable; def.ini is kept there too when it is a
  // portable copy, else in the user's settings folder. The skin is looked for beside the
  // executable first, then in the installed data folder.
  const std::filesystem::path moduleDirectory =
      QCoreApplication::applicationDirPath().toStdString();
  velmora::ApplicationOptions options;
  options.moduleDirectory = moduleDirectory;
  options.hardware = velmora::MakeCp2110Bridge();

  velmora::ProgramState state;
  velmora::Application app(state, std::move(options));
  // The copy of unsaved work that survives a crash lives in the user's state folder.
  app.EnableRecovery(velmora::DefaultRecoveryDirectory());
  app.SetSettingsDirectory(
      velmora::ChooseSettingsDirectory(moduleDirectory, velmora::ProcessPathEnvironment()));
  app.SetSkinDirectory(velmora::ChooseSkinDirectory(
      {moduleDirectory, velmora::InstalledDataDirectory(moduleDirectory),
       std::filesystem::path(VELMORA_INSTALLED_DATA_DIR)}));
  // Register defaults, def.ini, the first Motion; the window does the rest of the start-up.
  app.LoadStartupState();
  return velmora::RunProgram(app, line.files);
}
