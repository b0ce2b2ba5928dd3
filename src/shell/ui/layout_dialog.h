#pragma once

#include <QDialog>
#include <QFont>
#include <functional>
#include <span>
#include <string>

#include "shell/ui/dialog_fonts.h"  // IWYU pragma: export
#include "shell/ui/widget_control_view.h"

namespace velmora {

// One control of a dialog layout, placed in dialog units (see shell/dialog_units.h).
enum class ControlKind {
  kGroup,          // group box with a title
  kFrame,          // group box without a title
  kLabel,          // static text, left-aligned; "\n" breaks lines
  kLabelRight,     // static text, right-aligned (a label before its field)
  kEdit,           // edit field
  kDigitsEdit,     // edit field that takes digits only
  kMultiLineEdit,  // edit field of several lines
  kCheck,          // two-state check box
  kTriStateCheck,  // check box with the indeterminate state, clicked round as on Windows
  kRadioFirst,     // radio button that starts a new group of mutually exclusive buttons
  kRadio,          // radio button in the group of the radio button before it
  kCombo,          // drop-down list
  kTrackbar,       // horizontal slider
  kButton,
  kDefaultButton,  // the button Enter presses
  kWarningIcon,    // the system's warning icon
};

struct ControlLayout {
  ControlKind kind;
  int id;                   // control number, 0 for texts and frames nobody addresses
  int x, y, width, height;  // dialog units
  const char* text;         // UTF-8
};

struct DialogTemplate {
  int id;             // the dialog's number, also its object name
  const char* title;  // UTF-8
  int width, height;  // client size in dialog units
};

// Answers a question instead of a message box (tests).
using Asker = std::function<MessageAnswer(const std::string&, MessageButtons, MessageIcon)>;

// Where a dialog's questions and its beep go instead of a message box and the speaker (tests).
struct DialogHooks {
  Asker asker;
  std::function<void()> beeper;
};

// WidgetControlView whose questions and beeps can be redirected.
class DialogView : public WidgetControlView {
 public:
  explicit DialogView(QWidget* root) : WidgetControlView(root) {}

  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
  void Beep() override;

  void SetAsker(Asker asker) { asker_ = std::move(asker); }
  void SetBeeper(std::function<void()> beeper) { beeper_ = std::move(beeper); }

 private:
  Asker asker_;
  std::function<void()> beeper_;
};

// A fixed-size dialog built from a layout table, with each control's number as its object name,
// that forwards what the user does to handlers keyed by control number. The handlers are the thin
// glue to a dialog's behaviour class in the core.
//
// Closing: a handler returning true ends the dialog. Escape counts as a click on control 2 (the
// cancel or close button, as Windows dialogs send IDCANCEL), and the title bar's close box asks
// HandleClose, because some dialogs treat the two differently.
class LayoutDialog : public QDialog {
  Q_OBJECT

 public:
  // `hooks` are in place before the behaviour opens, so a beep on opening reaches them too.
  LayoutDialog(const DialogTemplate& dialog, std::span<const ControlLayout> controls,
               QWidget* parent, const DialogHooks& hooks = {});

  // The control with the given number, or null.
  QWidget* Control(int id) const { return view_.Find(id); }

  // Questions and the beep go through these when set, instead of a message box and the speaker.
  // Dialogs this one opens get the same hooks.
  void SetAsker(const Asker& asker) {
    hooks_.asker = asker;
    view_.SetAsker(asker);
  }
  void SetBeeper(const std::function<void()>& beeper) {
    hooks_.beeper = beeper;
    view_.SetBeeper(beeper);
  }
  const DialogHooks& Hooks() const { return hooks_; }

  // Clicks a control as the user would (also used for Escape).
  void ClickControl(int id);

 protected:
  DialogView& View() { return view_; }

  // Starts forwarding the controls' events to the handlers; call once the behaviour exists.
  void ConnectControls();

  // True ends the dialog.
  virtual bool HandleClick(int id) = 0;
  virtual bool HandleClose() { return true; }
  virtual void HandleChange(int /*id*/) {}
  virtual void HandleSelChange(int /*id*/) {}
  virtual void HandleScroll(int /*id*/, bool /*endTrack*/) {}

  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Build(std::span<const ControlLayout> controls);
  void End();

  DialogHooks hooks_;
  DialogView view_;
};

}  // namespace velmora
