#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "base/control_view.h"

namespace velmora {

// A ControlView over real widgets: every control is a child of `root` whose object name is its
// control number ("1001", "40057", ...). Line edits, labels, check boxes, radio buttons, push
// buttons, group boxes, combo boxes and sliders are understood. Message boxes carry the
// application title as caption.
class WidgetControlView : public ControlView {
 public:
  explicit WidgetControlView(QWidget* root) : root_(root) {}

  void SetText(int id, const std::string& text) override;
  std::string Text(int id) const override;
  void SetCheck(int id, CheckState state) override;
  CheckState Check(int id) const override;
  void SetItems(int id, const std::vector<std::string>& items) override;
  void SetSelection(int id, int index) override;
  int Selection(int id) const override;
  void SetRange(int id, int low, int high) override;
  void SetPosition(int id, int position) override;
  int Position(int id) const override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  MessageAnswer Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
  void Beep() override;

  QWidget* Find(int id) const;

  // Connects every control below `root` to the event callbacks, by control number: edits report
  // changes (as the user types) and focus loss; buttons and check boxes clicks; combos selection
  // changes; sliders scrolling (endTrack on release). Changes made through this view while
  // `Silenced()` is true are not reported back.
  struct Events {
    std::function<void(int)> onChange;
    std::function<void(int)> onFocusLost;
    std::function<void(int)> onClick;
    std::function<void(int)> onSelChange;
    std::function<void(int, bool)> onScroll;
  };
  void Connect(const Events& events);

  // While set, programmatic changes made through SetText/SetCheck/... emit no events.
  bool Silenced() const { return silence_ > 0; }

 private:
  class Silence;

  QPointer<QWidget> root_;
  int silence_ = 0;
};

// A QMessageBox with the program's caption (string 40001), the icon and buttons asked for.
MessageAnswer ShowMessage(QWidget* parent, const std::string& text, MessageButtons buttons,
                          MessageIcon icon);

// Text conversions between the core's UTF-8 and Qt.
inline QString ToQString(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
inline std::string ToStdString(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace velmora
