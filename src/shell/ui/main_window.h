#pragma once

#include <QMainWindow>

class QPlainTextEdit;
class QToolBar;
class QWidget;

namespace velmora {

struct ProgramState;
class SimulatorView;

// The program's one window: toolbar strip on top, the pose pane on the left, the simulator view on
// the right and the communication log under the view. Fixed size, laid out in client pixels.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(ProgramState& state, QWidget* parent = nullptr);

  QWidget* PaneArea() const { return pane_; }
  QWidget* ViewArea() const;
  SimulatorView* Simulator() const { return view_; }
  QPlainTextEdit* CommLog() const { return commLog_; }
  QToolBar* ToolBar() const { return toolBar_; }

  // Rebuilds the title from the document's file name and modified flag.
  void RefreshTitle();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyLayout();

  ProgramState& state_;
  QWidget* client_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QWidget* pane_ = nullptr;
  SimulatorView* view_ = nullptr;
  QPlainTextEdit* commLog_ = nullptr;
};

// The user-interface font: the face named by the settings, falling back to a Japanese font.
QFont UiFont(const std::string& faceName);

}  // namespace velmora
