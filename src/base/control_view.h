#pragma once

#include <string>
#include <vector>

namespace velmora {

// The core's side of a window: every field rule and dialog behaviour talks to its window through
// this interface, keyed by control number. The Qt layer implements it over real widgets; tests
// implement it over a map and script the answers to questions.

enum class CheckState { kUnchecked = 0, kChecked = 1, kIndeterminate = 2 };

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon { kNone, kQuestion, kWarning, kInformation, kError };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

class ControlView {
 public:
  virtual ~ControlView() = default;

  virtual void SetText(int id, const std::string& text) = 0;
  virtual std::string Text(int id) const = 0;

  virtual void SetCheck(int id, CheckState state) = 0;
  virtual CheckState Check(int id) const = 0;

  // Lists and combo boxes: the items and the selected index (-1: none).
  virtual void SetItems(int id, const std::vector<std::string>& items) = 0;
  virtual void SetSelection(int id, int index) = 0;
  virtual int Selection(int id) const = 0;

  // Trackbars: the range and the position.
  virtual void SetRange(int id, int low, int high) = 0;
  virtual void SetPosition(int id, int position) = 0;
  virtual int Position(int id) const = 0;

  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;

  // A message box with the application title as caption (UTF-8 text).
  virtual MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;
  // The system's warning sound.
  virtual void Beep() = 0;
};

}  // namespace velmora
