#include "document/ui/pose_pane_widget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <algorithm>
#include <memory>

#include "base/dialog_units.h"
#include "document/pose_edit_pane.h"
#include "document/pose_pane_controls.h"
#include "document/ui/pose_list_model.h"
#include "document/ui/pose_list_table.h"
#include "shell/program_state.h"
#include "shell/ui/dialog_fonts.h"
#include "shell/ui/japanese_edit_menu.h"

namespace velmora {

namespace {

enum PaneControlKind { kList, kGroup, kLabel, kEdit, kDropList, kCheck, kTrackbar };

struct PaneControl {
  PaneControlKind kind;
  int id;                   // control number, 0 for texts and group boxes
  int x, y, width, height;  // dialog units
  const char* text;         // UTF-8
};

constexpr PaneControl kPaneLayout[] = {
#include "pose_pane_layout.inc"
};

constexpr int kPaneWidthUnits = 211;
constexpr int kPaneHeightUnits = 460;
constexpr int kFieldHeightUnits = 14;  // a closed drop-down list is as high as an edit field

}  // namespace

int PaneUnitsToPixelsX(int units) { return DialogUnitsToPixelsX(units); }

// 1.35 pixel a unit puts the pane's 460 units in 621 pixels, which fill the client area under a
// toolbar of up to 30 pixels.
int PaneUnitsToPixelsY(int units) { return (units * 27 + 10) / 20; }

QSize PosePaneSize() {
  return {PaneUnitsToPixelsX(kPaneWidthUnits), PaneUnitsToPixelsY(kPaneHeightUnits)};
}

PosePaneWidget::PosePaneWidget(ProgramState& state, QWidget* parent)
    : QWidget(parent), state_(state), view_(this) {
  setObjectName(QString::number(kPosePaneDialogId));
  // A dialog's face, whatever the window it sits on paints. (The role is set one by one: a
  // palette without explicitly set roles would take the parent's.)
  QPalette face = palette();
  face.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
  setPalette(face);
  setAutoFillBackground(true);
  setFont(DialogFont());
  setFixedSize(PosePaneSize());
  Build();

  PoseEditPane& pane = state_.pane;
  WidgetControlView::Events events;
  events.onChange = [&pane](int id) { pane.OnChange(id); };
  events.onFocusLost = [&pane](int id) { pane.OnFocusLost(id); };
  events.onClick = [&pane](int id) { pane.OnClick(id); };
  events.onSelChange = [&pane](int id) { pane.OnSelChange(id); };
  events.onScroll = [&pane](int id, bool endTrack) { pane.OnScroll(id, endTrack); };
  view_.Connect(events);
  connect(list_, &PoseListTable::contextMenuRequested, this, &PosePaneWidget::contextMenuRequested);

  pane.AttachViews(view_, *list_);
  pane.Initialise();
}

PosePaneWidget::~PosePaneWidget() {
  state_.pane.DetachViews();
  // The children go first, while the view they report to still exists (a field that has the focus
  // reports losing it as it goes).
  const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  qDeleteAll(children);
}

void PosePaneWidget::SyncViews() { state_.pane.SyncViews(); }

void PosePaneWidget::SetIssues(std::vector<std::string> reasons) {
  list_->Model()->SetIssues(std::move(reasons));
}

void PosePaneWidget::OnChanges(uint32_t changes) {
  if ((changes & kPoseViewChanges) != 0) SyncViews();
}

void PosePaneWidget::Build() {
  for (const PaneControl& c : kPaneLayout) {
    // From the edges, so a control that ends where the next begins does not overlap it by a
    // rounded pixel.
    const QRect box(
        QPoint(PaneUnitsToPixelsX(c.x), PaneUnitsToPixelsY(c.y)),
        QPoint(PaneUnitsToPixelsX(c.x + c.width) - 1, PaneUnitsToPixelsY(c.y + c.height) - 1));
    const QString text = QString::fromUtf8(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
      case kList:
        list_ = new PoseListTable(state_.pane, this);
        list_->setGeometry(box);
        w = list_;
        break;
      case kGroup:
        w = new QGroupBox(text, this);
        // The frame runs through the middle of the title, as a dialog's group box does, so the
        // fields placed for that keep clear of it.
        w->setStyleSheet(
            QStringLiteral(
                "QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                " left: 6px; padding: 0px 1px; background-color: palette(window); }")
                .arg(QFontMetrics(font()).height() / 2));
        w->setGeometry(box);
        break;
      case kLabel: {
        auto* label = new QLabel(text, this);
        const QSize hint = label->sizeHint();
        if (box.width() == 0) {
          label->setGeometry(QRect(box.topLeft(), hint));
        } else {
          // A text that would run into the field it names is set narrower instead.
          if (hint.width() > box.width()) {
            QFont narrow = label->font();
            narrow.setStretch(std::max(50, 100 * box.width() / hint.width()));
            label->setFont(narrow);
          }
          label->setGeometry(box.x(), box.y(), box.width(), std::max(box.height(), hint.height()));
        }
        w = label;
        break;
      }
      case kEdit: {
        auto* edit = new QLineEdit(this);
        edit->setFont(FieldFont());
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setGeometry(box);
        // A value written into a field the user is not in shows its beginning, sign and all,
        // when it is wider than the field.
        connect(edit, &QLineEdit::textChanged, edit, [edit] {
          if (!edit->hasFocus()) edit->setCursorPosition(0);
        });
        UseJapaneseEditMenu(edit);
        edit->installEventFilter(this);
        w = edit;
        break;
      }
      case kDropList: {
        auto* combo = new QComboBox(this);
        combo->setGeometry(box.x(), box.y(), box.width(), PaneUnitsToPixelsY(kFieldHeightUnits));
        // The opened list is as wide as its longest text, even where the box is narrower.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
        w = combo;
        break;
      }
      case kCheck: {
        auto* check = new QCheckBox(text, this);
        const QSize hint = check->sizeHint();
        check->setGeometry(box.x(), box.center().y() - hint.height() / 2,
                           std::max(box.width(), hint.width()), hint.height());
        check->installEventFilter(this);
        w = check;
        break;
      }
      case kTrackbar: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setGeometry(box);
        slider->installEventFilter(this);
        // A page is a fifth of the range, a line one unit.
        connect(slider, &QAbstractSlider::rangeChanged, slider, [slider](int low, int high) {
          slider->setPageStep(std::max(1, (high - low) / 5));
        });
        w = slider;
        break;
      }
    }
    if (c.id != 0) w->setObjectName(QString::number(c.id));
  }
}

bool PosePaneWidget::eventFilter(QObject* watched, QEvent* event) {
  // Ctrl+Z and Ctrl+Y in a field are the Motion's Undo and Redo, as everywhere in the window: the
  // line edit must not claim them for its own text undo. Refusing the override lets the window's
  // accelerator run.
  if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched) != nullptr) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::ControlModifier &&
        (key->key() == Qt::Key_Z || key->key() == Qt::Key_Y)) {
      return true;
    }
  }
  // Up and Down move on from a check box as in a dialog (Qt moves on with Left and Right only).
  if (event->type() == QEvent::KeyPress && qobject_cast<QCheckBox*>(watched) != nullptr) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier &&
        (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      focusNextPrevChild(key->key() == Qt::Key_Down);
      return true;
    }
  }
  // On a trackbar Up and Page Up go towards the minimum and Down and Page Down towards the
  // maximum (Left and Right already go as on a trackbar).
  if (event->type() == QEvent::KeyPress) {
    if (auto* slider = qobject_cast<QSlider*>(watched)) {
      const auto* key = static_cast<QKeyEvent*>(event);
      QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
      switch (key->key()) {
        case Qt::Key_Up:
          action = QAbstractSlider::SliderSingleStepSub;
          break;
        case Qt::Key_Down:
          action = QAbstractSlider::SliderSingleStepAdd;
          break;
        case Qt::Key_PageUp:
          action = QAbstractSlider::SliderPageStepSub;
          break;
        case Qt::Key_PageDown:
          action = QAbstractSlider::SliderPageStepAdd;
          break;
        default:
          break;
      }
      if (action != QAbstractSlider::SliderNoAction) {
        slider->triggerAction(action);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace velmora
