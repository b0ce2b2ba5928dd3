#include "simulator/ui/simulator_settings_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "shell/program_state.h"
#include "shell/ui/dialog_fonts.h"

namespace velmora {

namespace {

enum ControlKind {
  kGroup,
  kLabel,
  kLabelBefore,
  kEdit,
  kDigitsEdit,
  kCheck,
  kButton,
  kDefaultButton
};

struct ControlLayout {
  ControlKind kind;
  int id;
  int x, y, width, height;  // dialog units
  const char* text;
};

constexpr ControlLayout kLayout[] = {
#include "simulator_settings_layout.inc"
};

constexpr int kClientWidth = 199;  // dialog units
constexpr int kClientHeight = 241;

// Dialog units of the dialog font to pixels: a quarter of the average character width across,
// an eighth of the character height down (6 x 13 pixels for the usual 8-point dialog font).
int DluX(int x) { return (x * 6 + 2) / 4; }
int DluY(int y) { return (y * 13 + 4) / 8; }

}  // namespace

SimulatorSettingsWindow::SimulatorSettingsWindow(ProgramState& state, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      view_(this),
      behaviour_(view_, state.settings, state.simulator.penTraceReset) {
  setObjectName(QStringLiteral("138"));
  setWindowTitle(QStringLiteral("シミュレータの設定"));
  setModal(true);
  Build();
  behaviour_.OnInit();
}

void SimulatorSettingsWindow::Build() {
  setFont(DialogFont());
  setFixedSize(DluX(kClientWidth), DluY(kClientHeight));

  for (const ControlLayout& c : kLayout) {
    const QRect box(DluX(c.x), DluY(c.y), DluX(c.width), DluY(c.height));
    const QString text = QString::fromUtf8(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
      case kGroup:
        w = new QGroupBox(text, this);
        w->setGeometry(box);
        w->lower();
        break;
      case kLabel:
      case kLabelBefore: {
        auto* label = new QLabel(text, this);
        QRect r = box;
        const int needed = label->sizeHint().width();
        if (needed > r.width()) {
          // A text wider than its place grows away from the field it names.
          if (c.kind == kLabelBefore) {
            r.setLeft(r.right() + 1 - needed);
          } else {
            r.setWidth(needed);
          }
        }
        r.setHeight(std::max(r.height(), label->sizeHint().height()));
        label->setGeometry(r);
        label->setAlignment((c.kind == kLabelBefore ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignVCenter);
        w = label;
        break;
      }
      case kEdit:
      case kDigitsEdit: {
        auto* edit = new QLineEdit(this);
        edit->setFont(FieldFont());
        edit->setAlignment(Qt::AlignRight);
        edit->setGeometry(box);
        if (c.kind == kDigitsEdit) edit->installEventFilter(this);
        w = edit;
        break;
      }
      case kCheck: {
        auto* check = new QCheckBox(text, this);
        check->setGeometry(box.x(), box.y() - 2, std::max(box.width(), check->sizeHint().width()),
                           std::max(box.height() + 4, check->sizeHint().height()));
        w = check;
        break;
      }
      case kButton:
      case kDefaultButton: {
        auto* button = new QPushButton(text, this);
        button->setGeometry(box);
        button->setAutoDefault(c.kind == kDefaultButton);
        button->setDefault(c.kind == kDefaultButton);
        const int id = c.id;
        connect(button, &QPushButton::clicked, this, [this, id] {
          if (id == kSimClose) {
            reject();
          } else {
            behaviour_.OnClick(id);
          }
        });
        w = button;
        break;
      }
    }
    if (c.id != 0) w->setObjectName(QString::number(c.id));
  }
}

bool SimulatorSettingsWindow::eventFilter(QObject* watched, QEvent* event) {
  // The push-in depth takes typed digits only, as a number-only edit does; editing keys and
  // shortcuts pass.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
      for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9') return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void RunSimulatorSettingsDialog(ProgramState& state, QWidget* parent) {
  SimulatorSettingsWindow dialog(state, parent);
  dialog.exec();
}

}  // namespace velmora
