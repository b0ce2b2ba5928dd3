#include "simulator/ui/simulator_view.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "base/string_table.h"
#include "shell/program_state.h"
#include "simulator/ui/render_thread.h"

namespace velmora {

namespace {

constexpr int kCaptionText = 40001;

QFont OverlayFont() {
  QFont font;
  font.setPixelSize(12);
  return font;
}

}  // namespace

void ShowTextureFailureBox(QWidget* parent, const QString& text) {
  // Also on the terminal, where a started program's trouble is looked for first.
  qWarning().noquote() << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
  // The box lives on the heap: the window that owns it may go away while it is open.
  QPointer<QMessageBox> box =
      new QMessageBox(QMessageBox::Critical, QString::fromStdString(LoadText(kCaptionText)), text,
                      QMessageBox::Ok, parent != nullptr ? parent->window() : nullptr);
  box->exec();
  delete box.data();
}

SimulatorView::SimulatorView(ProgramState& state, QWidget* parent)
    : QWidget(parent), state_(state), drag_(state) {
  setObjectName(QStringLiteral("simulatorView"));
}

SimulatorView::~SimulatorView() { StopRendering(); }

void SimulatorView::SetBaseDirectory(const QString& directory) { baseDirectory_ = directory; }

void SimulatorView::SetTextureFailureHandler(std::function<void(const QString&)> handler) {
  textureFailure_ = std::move(handler);
}

void SimulatorView::StartRendering() {
  if (thread_ || width() <= 0 || height() <= 0) return;
  RenderThread::Options options;
  options.viewSize = size();
  options.baseDirectory =
      baseDirectory_.isEmpty() ? QCoreApplication::applicationDirPath() : baseDirectory_;
  options.font = OverlayFont();
  options.uiContext = this;
  options.frameReady = [this] { update(); };
  options.textureFailure = textureFailure_ ? textureFailure_ : [this](const QString& text) {
    ShowTextureFailureBox(this, text);
  };
  thread_ = std::make_unique<RenderThread>(state_, std::move(options));
  thread_->Start();
}

void SimulatorView::StopRendering() {
  if (thread_) thread_->Stop();
}

bool SimulatorView::Rendering() const { return thread_ != nullptr; }

QImage SimulatorView::LatestFrame() const { return thread_ ? thread_->LatestFrame() : QImage(); }

void SimulatorView::paintEvent(QPaintEvent*) {
  const QImage frame = LatestFrame();
  if (frame.isNull()) return;  // nothing drawn yet: the window's own background shows
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), frame);
}

void SimulatorView::mousePressEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  if (event->button() == Qt::LeftButton) {
    drag_.OnLeftPress(p.x(), p.y());
  } else if (event->button() == Qt::RightButton) {
    drag_.OnRightPress();
  }
  event->accept();
}

void SimulatorView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click picks nothing up.
  event->accept();
}

void SimulatorView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  drag_.OnMove(p.x(), p.y(), width(), height());
  event->accept();
}

void SimulatorView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    drag_.OnLeftRelease();
  } else if (event->button() == Qt::RightButton) {
    drag_.OnRightRelease();
  }
  event->accept();
}

}  // namespace velmora
