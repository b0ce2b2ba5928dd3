#include "shell/ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <utility>

#include "document/playback_speed.h"
#include "document/ui/pose_list_table.h"
#include "document/ui/pose_pane_widget.h"
#include "geometry/ui/batch_conversion_window.h"
#include "geometry/ui/coordinate_system_window.h"
#include "geometry/ui/load_dialog_window.h"
#include "link/ui/drawing_dialog_window.h"
#include "link/ui/motor_settings_window.h"
#include "link/ui/recording_dialog_window.h"
#include "link/ui/simplify_dialog_window.h"
#include "shell/application.h"
#include "shell/main_layout.h"
#include "shell/program_state.h"
#include "shell/ui/about_box.h"
#include "shell/ui/command_actions.h"
#include "shell/ui/main_toolbar.h"
#include "shell/ui/motion_check_window.h"
#include "shell/ui/qt_change_sink.h"
#include "shell/ui/qt_file_dialogs.h"
#include "shell/ui/widget_control_view.h"
#include "simulator/ui/simulator_settings_window.h"
#include "simulator/ui/simulator_view.h"
#include "simulator/ui/timeline_widget.h"

// The images and the icon are compiled into the UI library; a static library's resources are
// registered by hand (outside any namespace, as the macro requires).
static void RegisterResources() { Q_INIT_RESOURCE(velmora); }

namespace velmora {

namespace {

// Closing polls the link this often while it lets go of the robot.
constexpr int kShutdownPollMs = 16;
// The timeline pane's height under the window's fixed client area.
constexpr int kTimelineHeight = 210;

// A FONT_NAME as stored: UTF-8 when it is valid UTF-8, else the Shift-JIS bytes a Windows
// def.ini holds; empty when neither reading works.
QString DecodeFaceName(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  QStringDecoder sjis("Shift_JIS", QStringDecoder::Flag::Stateless);
  if (!sjis.isValid()) return QString();
  text = sjis.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return sjis.hasError() ? QString() : text;
}

}  // namespace

QFont UiFont(const std::string& faceName) {
  QFont font;
  QStringList families;
  const QString named = DecodeFaceName(faceName);
  families << (named.isEmpty() ? QStringLiteral("ＭＳ ゴシック") : named)
           << QStringLiteral("IPAGothic") << QStringLiteral("IPAゴシック")
           << QStringLiteral("Noto Sans Mono CJK JP") << QStringLiteral("monospace");
  font.setFamilies(families);
  // Height -12 of a fixed-pitch modern face: 12-pixel characters.
  font.setPixelSize(12);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  RegisterResources();
  ProgramState& state = app_.State();
  setObjectName(QStringLiteral("Quorvane"));
  // Caption, system menu, minimise and close; no maximise box and no sizing border.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/icons/velmora.png")));

  sink_ = new QtChangeSink([this](uint32_t changes) { ApplyChanges(changes); }, this);
  app_.SetViewSink(sink_);
  fileDialogs_ = std::make_unique<QtFileDialogs>(this);
  actions_ = new CommandActions(
      this, [this](int command, CommandSource source) { Execute(command, source); });

  int dpiX = 96;
  int dpiY = 96;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    dpiX = static_cast<int>(screen->logicalDotsPerInchX());
    dpiY = static_cast<int>(screen->logicalDotsPerInchY());
  }
  const Rect client = ClientRectForDpi(dpiX, dpiY);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  client_->setFixedSize(client.right, client.bottom);
  client_->setAutoFillBackground(true);
  QPalette palette = client_->palette();
  palette.setColor(QPalette::Window, Qt::white);
  client_->setPalette(palette);
  setCentralWidget(client_);

  menuBar()->setNativeMenuBar(false);
  actions_->FillMenuBar(menuBar());

  // The pane, after def.ini: its trackbars take the motor limits in force.
  pane_ = new PosePaneWidget(state, client_);
  pane_->setObjectName(QStringLiteral("pane"));
  connect(pane_, &PosePaneWidget::contextMenuRequested, this, &MainWindow::ShowContextMenu);

  view_ = new SimulatorView(state, client_);
  if (!app_.SkinDirectory().empty()) {
    view_->SetBaseDirectory(QString::fromStdString(app_.SkinDirectory().string()));
  }
  // With the virtual robot's motors off, the marker gestures move the arm itself.
  view_->DragController().SetHandHooks({[this] { return app_.HandGuideActive(); },
                                        [this](double x, double y) { app_.GuideToolTo(x, y); },
                                        [this](double z) { app_.GuideToolHeight(z); }});

  commLog_ = new QPlainTextEdit(client_);
  commLog_->setObjectName(QStringLiteral("commLog"));
  commLog_->setReadOnly(true);
  commLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  commLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  commLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  const QFont font = UiFont(state.settings.Get().fontName);
  commLog_->setFont(font);

  MainToolBar::Callbacks callbacks;
  callbacks.robotChosen = [this](int index) {
    app_.State().linkControls.SelectDevice(index);
    RefreshLink();
  };
  callbacks.axisChosen = [this](int axes) {
    app_.State().linkControls.SetAxisChoice(axes);
    RefreshLink();
    RefreshAnalysis(/*force=*/true);
  };
  callbacks.erasePen = [this] { Execute(kCmdErasePen, CommandSource::kToolbar); };
  callbacks.alwaysDraw = [this](bool on) {
    // The render thread reads it from the settings every frame.
    app_.State().settings.Update([on](Settings& s) { s.vpenEverytimeDraw = on ? 1 : 0; });
  };
  callbacks.pathPreview = [this](bool on) {
    if (app_.PathPreview() != on) Execute(kCmdPathPreview, CommandSource::kToolbar);
  };
  callbacks.speedChosen = [this](PlaybackSpeed speed) { app_.SetPlaybackSpeed(speed); };
  toolBar_ = new MainToolBar(*actions_, font, std::move(callbacks), client_);
  toolBar_->setGeometry(0, 0, client.right, MainToolBar::kHeight);
  toolBar_->SetAlwaysDraw(state.settings.Get().vpenEverytimeDraw != 0);

  // The first layout fixes the simulator's area and starts its render thread.
  ApplyLayout();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(kWindowX, kWindowY);

  // The current Pose in the pane and the list filled.
  state.pane.RefreshAfterReplace();
  pane_->SyncViews();
  RefreshTitle();
  RefreshAvailability();
  RefreshLink();
  RefreshCommLog();
  RefreshPathControls();
  RefreshAnalysis(/*force=*/true);

  shutdownPoll_.setInterval(kShutdownPollMs);
  connect(&shutdownPoll_, &QTimer::timeout, this, &MainWindow::PollShutdown);

  app_.StartLink();
}

MainWindow::~MainWindow() {
  StopThreads();
  app_.SetViewSink(nullptr);
}

// ---- ShellView ----

MessageAnswer MainWindow::Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  if (asker_) return asker_(text, buttons, icon);
  return ShowMessage(this, text, buttons, icon);
}

FileDialogs& MainWindow::Files() {
  return fileDialogsOverride_ != nullptr ? *fileDialogsOverride_ : *fileDialogs_;
}

int MainWindow::RunDialog(int id) {
  if (dialogRunner_) return dialogRunner_(id);
  ProgramState& state = app_.State();
  switch (id) {
    case kAboutDialogId:
      RunAboutBox(this);
      return 0;
    case kRecordingDialogId:
      return RunRecordingDialog(state.settings, this);
    case kSimulatorSettingsDialogId:
      RunSimulatorSettingsDialog(state, this);
      return 0;
    case kLoadDialogId:
      return RunLoadDialog(state.settings, this);
    case kCoordinateSystemDialogId:
      RunCoordinateSystemDialog(state, this);
      return 0;
    case kBatchConversionDialogId:
      RunBatchConversionDialog(state, this);
      return 0;
    case kMotorSettingsDialogId:
      RunMotorSettingsDialog(state, this);
      return 0;
    case kMotionCheckDialogId:
      ShowMotionCheck();
      return 0;
    case kSimplifyDialogId:
      return RunSimplifyDialog(state, this);
    case kDrawingDialogId:
      return RunDrawingDialog(state, Files(), this);
    case kDrawTextDialogId:
      return RunTextDialog(state, this);
    default:
      return 0;
  }
}

void MainWindow::RequestClose() { close(); }

void MainWindow::FocusCommLog() { commLog_->setFocus(Qt::OtherFocusReason); }

void MainWindow::SetTitle(const std::string& title) { setWindowTitle(ToQString(title)); }

// ---- Commands ----

void MainWindow::Execute(int command, CommandSource source) {
  // While the window closes, nothing new starts. A check button or item that flipped itself on the
  // click is put back to what the toggles say.
  if (shuttingDown_) {
    RefreshLink();
    return;
  }
  ExecuteCommand(app_, *this, command, source);
  FlushChanges();
  RefreshPathControls();
}

void MainWindow::ShowContextMenu(const QPoint& globalPos) {
  actions_->PopupContextMenu(app_.State().document.history, globalPos, this);
}

void MainWindow::StopThreads() {
  app_.StopThreads();
  if (view_ != nullptr) view_->StopRendering();
}

void MainWindow::FlushChanges() { sink_->Flush(); }

// ---- Views ----

QWidget* MainWindow::PaneArea() const { return pane_; }

QWidget* MainWindow::ViewArea() const { return view_; }

void MainWindow::ApplyChanges(uint32_t changes) {
  if (changes & kChangeTitle) RefreshTitle();
  if (changes & (kChangeBusy | kChangeUndo)) RefreshAvailability();
  if (changes & (kChangeToggles | kChangeDeviceList | kChangeConnection)) RefreshLink();
  if (changes & kChangeCommLog) RefreshCommLog();
  pane_->OnChanges(changes);
  RefreshAnalysis(/*force=*/false);
  // The current Pose, the selection or a playback's start and end.
  if (timeline_ != nullptr && timelineDock_->isVisible()) timeline_->Refresh();
}

void MainWindow::RefreshTitle() { setWindowTitle(ToQString(CurrentTitle(app_))); }

void MainWindow::RefreshAvailability() { actions_->RefreshAvailability(app_.Availability()); }

void MainWindow::RefreshLink() {
  const LinkControlsState link = app_.State().linkControls.State();
  toolBar_->RefreshLink(link);
  actions_->RefreshChecks(link, app_.VirtualRobotListed());
}

void MainWindow::RefreshCommLog() {
  std::string text;
  if (!app_.State().commLog.TextIfChanged(commLogSeen_, text)) return;
  // The log's entries end in CR LF; the edit breaks lines at LF alone.
  QString shown = ToQString(text);
  shown.remove(QLatin1Char('\r'));
  commLog_->setPlainText(shown);  // newest entry on top, scrolled to the top
}

void MainWindow::RefreshPathControls() {
  const bool on = app_.PathPreview();
  toolBar_->SetPathPreview(on);
  if (QAction* a = actions_->Action(kCmdPathPreview)) a->setChecked(on);
  toolBar_->SetSpeed(app_.GetPlaybackSpeed());
  RefreshTimeline();
}

void MainWindow::RefreshTimeline() {
  const bool shown = app_.TimelineShown();
  if (QAction* a = actions_->Action(kCmdTimeline)) a->setChecked(shown);
  if (shown && timeline_ == nullptr) {
    TimelineWidget::Hooks hooks;
    hooks.selectPose = [this](std::size_t pose) { GoToPose(app_, pose); };
    hooks.timesChanged = [this](const std::vector<std::size_t>& rows) { AfterRetime(rows); };
    hooks.playedMoveMs = [this](std::size_t pose) -> uint32_t {
      const std::optional<Pose> p = app_.State().document.motion.PoseAt(pose);
      return p ? ScaleTransitionTime(p->transitionTime, app_.GetPlaybackSpeed()) : 0;
    };
    timeline_ = new TimelineWidget(app_.State(), std::move(hooks));
    timeline_->setFixedHeight(kTimelineHeight);
    timeline_->setFont(commLog_->font());
    timelineDock_ = new QDockWidget(this);
    timelineDock_->setObjectName(QStringLiteral("timelineDock"));
    // Docked for good: no title bar to float or close it by; the view menu shows and hides it.
    timelineDock_->setTitleBarWidget(new QWidget(timelineDock_));
    timelineDock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    timelineDock_->setWidget(timeline_);
    addDockWidget(Qt::BottomDockWidgetArea, timelineDock_);
    if (QItemSelectionModel* rows = pane_->List()->selectionModel()) {
      connect(rows, &QItemSelectionModel::selectionChanged, timeline_,
              [t = timeline_] { t->update(); });
    }
  }
  if (timelineDock_ == nullptr) return;
  if (timelineDock_->isVisible() != shown) timelineDock_->setVisible(shown);
  if (shown) timeline_->Refresh();
}

void MainWindow::AfterRetime(const std::vector<std::size_t>& rows) {
  PoseEditPane& pane = app_.State().pane;
  if (!rows.empty()) pane.RefreshConvertedRows(rows);
  pane.SyncViews();
  FlushChanges();
  RefreshAnalysis(/*force=*/false);
}

void MainWindow::RefreshAnalysis(bool force) {
  if (!app_.RefreshAnalysis() && !force) return;
  const std::shared_ptr<const CheckedMotion> checked = app_.State().analysis.Latest();
  if (checked == nullptr) return;
  pane_->SetIssues(checked->reasons);
  if (motionCheck_ != nullptr) motionCheck_->SetLines(CheckLines(*checked));
  if (timeline_ != nullptr && timelineDock_->isVisible()) timeline_->Refresh();
}

void MainWindow::ShowMotionCheck() {
  if (motionCheck_ == nullptr) {
    motionCheck_ = new MotionCheckWindow(
        commLog_->font(),
        [this](std::size_t pose) {
          GoToPose(app_, pose);
          // The flagged move in the timeline too, when it is shown.
          if (timeline_ != nullptr && timelineDock_->isVisible()) timeline_->ScrollToPose(pose);
        },
        this);
  }
  RefreshAnalysis(/*force=*/true);
  motionCheck_->show();
  motionCheck_->raise();
}

void MainWindow::ApplyLayout() {
  const MainLayout l = LayoutMainWindow(client_->width(), client_->height(), toolBar_->height(),
                                        pane_->width(), pane_->height());
  pane_->move(l.pane.left, l.pane.top);
  commLog_->setGeometry(l.commLog.left, l.commLog.top, l.commLog.Width(), l.commLog.Height());
  // The simulator starts drawing at its first size; later sizes change only the area the mouse
  // is limited to.
  view_->setGeometry(l.view.left, l.view.top, l.view.Width(), l.view.Height());
  view_->StartRendering();
  toolBar_->setFixedWidth(client_->width());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyLayout();
}

// ---- Closing ----

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAllowed_) {
    event->accept();
    return;
  }
  event->ignore();
  if (shuttingDown_) return;
  if (!ConfirmClose(app_, *this)) return;
  if (LetGoOfRobot()) event->accept();
}

bool MainWindow::LetGoOfRobot() {
  shuttingDown_ = true;
  app_.BeginShutdown();
  FlushChanges();  // the toolbar and the menu show the released toggle at once
  if (app_.Disconnected()) {
    closeAllowed_ = true;
    return true;
  }
  // The link lets go of the robot (torque off, bridge closed) on its own thread; the window
  // stays responsive meanwhile and closes when it is done.
  shutdownPoll_.start();
  return false;
}

void MainWindow::PollShutdown() {
  if (!app_.Disconnected()) return;
  shutdownPoll_.stop();
  FinishClose();
}

void MainWindow::FinishClose() {
  closeAllowed_ = true;
  close();
  if (whenClosed_) std::exchange(whenClosed_, nullptr)();
}

void MainWindow::CloseWithoutAsking(std::function<void()> whenClosed) {
  whenClosed_ = std::move(whenClosed);
  if (closeAllowed_) {
    FinishClose();
    return;
  }
  if (shuttingDown_) return;  // the poll finishes it
  app_.State().pane.CommitPendingEdit();
  if (LetGoOfRobot()) FinishClose();
}

}  // namespace velmora
