#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "simulator/marker_drag.h"

namespace velmora {

struct ProgramState;
class RenderThread;

// The simulator area of the main window: paints the render thread's newest finished frame and
// turns the mouse into marker drags (left button) and pen strokes (right button during a drag).
class SimulatorView : public QWidget {
  Q_OBJECT

 public:
  explicit SimulatorView(ProgramState& state, QWidget* parent = nullptr);
  ~SimulatorView() override;  // stops and joins the render thread

  // The first layout: the view's present size becomes the size frames are drawn at, and the
  // render thread starts. Later calls do nothing.
  void StartRendering();
  // Stops and joins the render thread (also done by the destructor).
  void StopRendering();
  bool Rendering() const;

  // Where skin/ is looked for; the executable's directory unless set before StartRendering.
  void SetBaseDirectory(const QString& directory);
  // How a texture that could not be read is reported (on the UI thread, returning when the user
  // closed it); an error message box over the window unless set before StartRendering.
  void SetTextureFailureHandler(std::function<void(const QString& text)> handler);

  MarkerDragController& DragController() { return drag_; }
  RenderThread* Renderer() const { return thread_.get(); }
  // The newest finished frame (null before the first one).
  QImage LatestFrame() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  ProgramState& state_;
  MarkerDragController drag_;
  std::unique_ptr<RenderThread> thread_;
  QString baseDirectory_;
  std::function<void(const QString&)> textureFailure_;
};

// The texture failure message box: error icon, the application title as caption, owned by
// `parent`'s window; returns when it is closed.
void ShowTextureFailureBox(QWidget* parent, const QString& text);

}  // namespace velmora
