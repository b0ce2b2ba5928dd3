#include "shell/ui/layout_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <algorithm>

#include "base/dialog_units.h"
#include "shell/ui/dialog_fonts.h"
#include "shell/ui/japanese_edit_menu.h"

namespace velmora {

namespace {

QRect DialogRect(const ControlLayout& c) {
  return QRect(DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y), DialogUnitsToPixelsX(c.width),
               DialogUnitsToPixelsY(c.height));
}

// A three-state check box that goes round as a Windows one does: unchecked, checked,
// indeterminate, unchecked again.
class ThreeStateCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {
    switch (checkState()) {
      case Qt::Unchecked:
        setCheckState(Qt::Checked);
        break;
      case Qt::Checked:
        setCheckState(Qt::PartiallyChecked);
        break;
      default:
        setCheckState(Qt::Unchecked);
        break;
    }
  }
};

// Grows a control that needs more room than its place to its size hint, keeping it centred on
// the place's middle line, so that a font wider than the dialog font never clips a text.
void PlaceGrowing(QWidget* w, const QRect& box) {
  const QSize hint = w->sizeHint();
  const int width = std::max(box.width(), hint.width());
  const int height = std::max(box.height(), hint.height());
  w->setGeometry(box.x(), box.y() + (box.height() - height) / 2, width, height);
}

}  // namespace

MessageAnswer DialogView::Ask(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  if (asker_) return asker_(text, buttons, icon);
  return WidgetControlView::Ask(text, buttons, icon);
}

void DialogView::Beep() {
  if (beeper_) {
    beeper_();
  } else {
    WidgetControlView::Beep();
  }
}

LayoutDialog::LayoutDialog(const DialogTemplate& dialog, std::span<const ControlLayout> controls,
                           QWidget* parent, const DialogHooks& hooks)
    // A caption with the system menu and the close box only: no minimise or maximise buttons.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      hooks_(hooks),
      view_(this) {
  view_.SetAsker(hooks.asker);
  view_.SetBeeper(hooks.beeper);
  setObjectName(QString::number(dialog.id));
  setWindowTitle(QString::fromUtf8(dialog.title));
  setModal(true);
  setFont(DialogFont());
  setFixedSize(DialogUnitsToPixelsX(dialog.width), DialogUnitsToPixelsY(dialog.height));
  Build(controls);
}

void LayoutDialog::Build(std::span<const ControlLayout> controls) {
  QButtonGroup* radios = nullptr;
  for (const ControlLayout& c : controls) {
    const QRect box = DialogRect(c);
    const QString text = QString::fromUtf8(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::kGroup:
      case ControlKind::kFrame: {
        auto* group = new QGroupBox(c.kind == ControlKind::kGroup ? text : QString(), this);
        group->setGeometry(box);
        group->lower();  // frames sit behind the controls drawn over them
        w = group;
        break;
      }
      case ControlKind::kLabel:
      case ControlKind::kLabelRight: {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        const Qt::Alignment across =
            c.kind == ControlKind::kLabelRight ? Qt::AlignRight : Qt::AlignLeft;
        label->setAlignment(across | (text.contains(u'\n') ? Qt::AlignTop : Qt::AlignVCenter));
        // A label left empty for texts set later (a summary, a count) and given room for two
        // lines wraps them there rather than cutting them at its edge.
        if (text.isEmpty() && c.height >= 16) {
          label->setWordWrap(true);
          label->setAlignment(across | Qt::AlignTop);
        }
        QRect r = box;
        const QSize hint = label->sizeHint();
        if (hint.width() > r.width()) {
          // A text wider than its place grows away from the field it names.
          if (c.kind == ControlKind::kLabelRight) {
            r.setLeft(r.right() + 1 - hint.width());
          } else {
            r.setWidth(hint.width());
          }
        }
        r.setHeight(std::max(r.height(), hint.height()));
        label->setGeometry(r);
        w = label;
        break;
      }
      case ControlKind::kEdit:
      case ControlKind::kDigitsEdit: {
        auto* edit = new QLineEdit(this);
        edit->setFont(FieldFont());
        edit->setGeometry(box);
        UseJapaneseEditMenu(edit);
        if (c.kind == ControlKind::kDigitsEdit) {
          edit->setValidator(
              new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        w = edit;
        break;
      }
      case ControlKind::kMultiLineEdit: {
        auto* edit = new QPlainTextEdit(this);
        edit->setFont(FieldFont());
        edit->setGeometry(box);
        edit->setTabChangesFocus(true);
        w = edit;
        break;
      }
      case ControlKind::kCheck:
      case ControlKind::kTriStateCheck: {
        QCheckBox* check = c.kind == ControlKind::kTriStateCheck
                               ? new ThreeStateCheckBox(text, this)
                               : new QCheckBox(text, this);
        check->setTristate(c.kind == ControlKind::kTriStateCheck);
        PlaceGrowing(check, box);
        w = check;
        break;
      }
      case ControlKind::kRadioFirst:
      case ControlKind::kRadio: {
        auto* radio = new QRadioButton(text, this);
        if (c.kind == ControlKind::kRadioFirst || radios == nullptr) {
          radios = new QButtonGroup(this);
          radios->setExclusive(true);
        }
        radios->addButton(radio);
        PlaceGrowing(radio, box);
        w = radio;
        break;
      }
      case ControlKind::kCombo: {
        auto* combo = new QComboBox(this);
        combo->setGeometry(box.x(), box.y(), box.width(),
                           std::max(box.height(), combo->sizeHint().height()));
        w = combo;
        break;
      }
      case ControlKind::kTrackbar: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setGeometry(box);
        w = slider;
        break;
      }
      case ControlKind::kButton:
      case ControlKind::kDefaultButton: {
        auto* button = new QPushButton(text, this);
        button->setGeometry(box);
        button->setAutoDefault(true);
        button->setDefault(c.kind == ControlKind::kDefaultButton);
        w = button;
        break;
      }
      case ControlKind::kWarningIcon: {
        auto* icon = new QLabel(this);
        const int side = std::min(box.width(), box.height());
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
        icon->setGeometry(box);
        icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = icon;
        break;
      }
    }
    if (c.id != 0) w->setObjectName(QString::number(c.id));
  }
}

void LayoutDialog::ConnectControls() {
  WidgetControlView::Events events;
  events.onClick = [this](int id) {
    if (HandleClick(id)) End();
  };
  events.onChange = [this](int id) { HandleChange(id); };
  events.onSelChange = [this](int id) { HandleSelChange(id); };
  events.onScroll = [this](int id, bool endTrack) { HandleScroll(id, endTrack); };
  view_.Connect(events);
}

void LayoutDialog::ClickControl(int id) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  if (button != nullptr) {
    if (button->isEnabled()) button->click();
    return;
  }
  if (HandleClick(id)) End();
}

void LayoutDialog::End() { done(QDialog::Accepted); }

void LayoutDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (HandleClose()) End();
}

void LayoutDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    ClickControl(2);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace velmora
