#include "shell/ui/widget_control_view.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "base/string_table.h"

namespace velmora {

class WidgetControlView::Silence {
 public:
  explicit Silence(int& counter) : counter_(counter) { ++counter_; }
  ~Silence() { --counter_; }
  Silence(const Silence&) = delete;
  Silence& operator=(const Silence&) = delete;

 private:
  int& counter_;
};

namespace {

// Reports focus loss of an edit field.
class FocusWatcher : public QObject {
 public:
  FocusWatcher(QObject* parent, std::function<void()> onFocusOut)
      : QObject(parent), onFocusOut_(std::move(onFocusOut)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A popup (the field's own context menu) does not end the visit to the field: the field
    // gets the focus back when it closes.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
      onFocusOut_();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onFocusOut_;
};

}  // namespace

QWidget* WidgetControlView::Find(int id) const {
  if (root_.isNull()) return nullptr;
  const QString name = QString::number(id);
  if (root_->objectName() == name) return root_;
  return root_->findChild<QWidget*>(name);
}

void WidgetControlView::SetText(int id, const std::string& text) {
  Silence s(silence_);
  QWidget* w = Find(id);
  const QString t = ToQString(text);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(t);
  } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
    m->setPlainText(t);
  } else if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(t);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(t);
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(t);
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    if (c->isEditable()) c->setEditText(t);
  } else if (w != nullptr) {
    w->setWindowTitle(t);
  }
}

std::string WidgetControlView::Text(int id) const {
  QWidget* w = Find(id);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return ToStdString(e->text());
  if (auto* m = qobject_cast<QPlainTextEdit*>(w)) return ToStdString(m->toPlainText());
  if (auto* l = qobject_cast<QLabel*>(w)) return ToStdString(l->text());
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return ToStdString(b->text());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return ToStdString(g->title());
  if (auto* c = qobject_cast<QComboBox*>(w)) return ToStdString(c->currentText());
  return std::string();
}

void WidgetControlView::SetCheck(int id, CheckState state) {
  Silence s(silence_);
  QWidget* w = Find(id);
  if (auto* c = qobject_cast<QCheckBox*>(w)) {
    c->setCheckState(state == CheckState::kChecked         ? Qt::Checked
                     : state == CheckState::kIndeterminate ? Qt::PartiallyChecked
                                                           : Qt::Unchecked);
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setChecked(state == CheckState::kChecked);
  }
}

CheckState WidgetControlView::Check(int id) const {
  QWidget* w = Find(id);
  if (auto* c = qobject_cast<QCheckBox*>(w)) {
    switch (c->checkState()) {
      case Qt::Checked:
        return CheckState::kChecked;
      case Qt::PartiallyChecked:
        return CheckState::kIndeterminate;
      default:
        return CheckState::kUnchecked;
    }
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    return b->isChecked() ? CheckState::kChecked : CheckState::kUnchecked;
  }
  return CheckState::kUnchecked;
}

void WidgetControlView::SetItems(int id, const std::vector<std::string>& items) {
  Silence s(silence_);
  if (auto* c = qobject_cast<QComboBox*>(Find(id))) {
    c->clear();
    for (const std::string& item : items) c->addItem(ToQString(item));
    c->setCurrentIndex(-1);
  }
}

void WidgetControlView::SetSelection(int id, int index) {
  Silence s(silence_);
  if (auto* c = qobject_cast<QComboBox*>(Find(id))) c->setCurrentIndex(index);
}

int WidgetControlView::Selection(int id) const {
  if (auto* c = qobject_cast<QComboBox*>(Find(id))) return c->currentIndex();
  return -1;
}

void WidgetControlView::SetRange(int id, int low, int high) {
  Silence s(silence_);
  if (auto* sl = qobject_cast<QAbstractSlider*>(Find(id))) sl->setRange(low, high);
}

void WidgetControlView::SetPosition(int id, int position) {
  Silence s(silence_);
  if (auto* sl = qobject_cast<QAbstractSlider*>(Find(id))) sl->setValue(position);
}

int WidgetControlView::Position(int id) const {
  if (auto* sl = qobject_cast<QAbstractSlider*>(Find(id))) return sl->value();
  return 0;
}

void WidgetControlView::Enable(int id, bool enabled) {
  if (QWidget* w = Find(id)) w->setEnabled(enabled);
}

bool WidgetControlView::IsEnabled(int id) const {
  QWidget* w = Find(id);
  return w != nullptr && w->isEnabled();
}

MessageAnswer WidgetControlView::Ask(const std::string& text, MessageButtons buttons,
                                     MessageIcon icon) {
  return ShowMessage(root_.isNull() ? nullptr : root_->window(), text, buttons, icon);
}

void WidgetControlView::Beep() { QApplication::beep(); }

void WidgetControlView::Connect(const Events& events) {
  if (root_.isNull()) return;
  const auto children = root_->findChildren<QWidget*>();
  for (QWidget* w : children) {
    bool ok = false;
    const int id = w->objectName().toInt(&ok);
    if (!ok) continue;
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      QObject::connect(e, &QLineEdit::textEdited, e, [this, id, events] {
        if (!Silenced() && events.onChange) events.onChange(id);
      });
      e->installEventFilter(new FocusWatcher(e, [this, id, events] {
        if (!Silenced() && events.onFocusLost) events.onFocusLost(id);
      }));
    } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
      QObject::connect(m, &QPlainTextEdit::textChanged, m, [this, id, events] {
        if (!Silenced() && events.onChange) events.onChange(id);
      });
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      QObject::connect(b, &QAbstractButton::clicked, b, [this, id, events] {
        if (!Silenced() && events.onClick) events.onClick(id);
      });
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      QObject::connect(c, qOverload<int>(&QComboBox::activated), c, [this, id, events] {
        if (!Silenced() && events.onSelChange) events.onSelChange(id);
      });
    } else if (auto* sl = qobject_cast<QAbstractSlider*>(w)) {
      QObject::connect(sl, &QAbstractSlider::valueChanged, sl, [this, id, events, sl] {
        if (!Silenced() && events.onScroll) events.onScroll(id, !sl->isSliderDown());
      });
      QObject::connect(sl, &QAbstractSlider::sliderReleased, sl, [this, id, events] {
        if (!Silenced() && events.onScroll) events.onScroll(id, true);
      });
    }
  }
}

MessageAnswer ShowMessage(QWidget* parent, const std::string& text, MessageButtons buttons,
                          MessageIcon icon) {
  QMessageBox box(parent);
  box.setWindowTitle(ToQString(LoadText(40001)));
  box.setText(ToQString(text));
  switch (icon) {
    case MessageIcon::kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case MessageIcon::kWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::kError:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageIcon::kNone:
      break;
  }
  switch (buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageButtons::kOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    case MessageButtons::kYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  // The buttons speak the program's language whatever translations the machine has.
  const std::pair<QMessageBox::StandardButton, const char*> kTexts[] = {
      {QMessageBox::Ok, "OK"},
      {QMessageBox::Cancel, "キャンセル"},
      {QMessageBox::Yes, "はい(&Y)"},
      {QMessageBox::No, "いいえ(&N)"},
  };
  for (const auto& [which, label] : kTexts) {
    if (QAbstractButton* b = box.button(which)) b->setText(QString::fromUtf8(label));
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return MessageAnswer::kCancel;
  }
}

}  // namespace velmora
