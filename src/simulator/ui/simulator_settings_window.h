#pragma once

#include <QDialog>

#include "shell/ui/widget_control_view.h"
#include "simulator/simulator_settings_dialog.h"

class QWidget;

namespace velmora {

struct ProgramState;

// Dialog 138 on real widgets: every control carries its control number as its object name, and
// its behaviour (SimulatorSettingsDialog) talks to them through a WidgetControlView.
class SimulatorSettingsWindow : public QDialog {
  Q_OBJECT

 public:
  SimulatorSettingsWindow(ProgramState& state, QWidget* parent = nullptr);

  // The control with the given number, or null.
  QWidget* Control(int id) const { return view_.Find(id); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();

  WidgetControlView view_;
  SimulatorSettingsDialog behaviour_;
};

// Opens dialog 138 modally over `parent` and returns when it is closed.
void RunSimulatorSettingsDialog(ProgramState& state, QWidget* parent);

}  // namespace velmora
