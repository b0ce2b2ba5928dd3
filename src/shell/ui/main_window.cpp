#include "shell/ui/main_window.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include "shell/main_layout.h"
#include "shell/program_state.h"
#include "shell/title.h"
#include "simulator/ui/simulator_view.h"

namespace velmora {

namespace {

constexpr int kToolBarHeight = 28;
constexpr int kPaneWidth = 334;

QString ToQt(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

}  // namespace

QFont UiFont(const std::string& faceName) {
  QFont font;
  QStringList families;
  families << (faceName.empty() ? QStringLiteral("ＭＳ ゴシック") : QString::fromLocal8Bit(faceName.c_str()))
           << QStringLiteral("IPAGothic") << QStringLiteral("IPAゴシック")
           << QStringLiteral("Noto Sans Mono CJK JP") << QStringLiteral("monospace");
  font.setFamilies(families);
  font.setPixelSize(12);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

MainWindow::MainWindow(ProgramState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  setObjectName(QStringLiteral("Quorvane"));
  // Caption, system menu, minimise and close; no maximise box and no sizing border.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/icons/velmora.png")));

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
  QPalette pal = client_->palette();
  pal.setColor(QPalette::Window, Qt::white);
  client_->setPalette(pal);
  setCentralWidget(client_);

  toolBar_ = new QToolBar(client_);
  toolBar_->setObjectName(QStringLiteral("toolbar"));
  toolBar_->setGeometry(0, 0, client.right, kToolBarHeight);
  toolBar_->setMovable(false);

  pane_ = new QWidget(client_);
  pane_->setObjectName(QStringLiteral("pane"));
  pane_->resize(kPaneWidth, client.bottom - kToolBarHeight + 1);

  view_ = new SimulatorView(state_, client_);

  commLog_ = new QPlainTextEdit(client_);
  commLog_->setObjectName(QStringLiteral("commLog"));
  commLog_->setReadOnly(true);
  commLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  commLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  commLog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  commLog_->setFont(UiFont(std::string()));

  menuBar()->setNativeMenuBar(false);

  ApplyLayout();
  RefreshTitle();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(kWindowX, kWindowY);
}

QWidget* MainWindow::ViewArea() const { return view_; }

void MainWindow::RefreshTitle() {
  setWindowTitle(ToQt(BuildTitle(state_.document.fileName, state_.document.motion.IsModified())));
}

void MainWindow::ApplyLayout() {
  const MainLayout l = LayoutMainWindow(client_->width(), client_->height(), toolBar_->height(),
                                        pane_->width(), pane_->height());
  pane_->move(l.pane.left, l.pane.top);
  commLog_->setGeometry(l.commLog.left, l.commLog.top, l.commLog.Width(), l.commLog.Height());
  view_->setGeometry(l.view.left, l.view.top, l.view.Width(), l.view.Height());
  // The first layout fixes the size the simulator draws at and starts its render thread.
  view_->StartRendering();
  toolBar_->setFixedWidth(client_->width());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ApplyLayout();
}

}  // namespace velmora
