#include "shell/ui/about_box.h"

#include <QIcon>
#include <QLabel>

#include "base/dialog_units.h"
#include "shell/version_info.h"

namespace velmora {

namespace {

constexpr int kOkButton = 1;

constexpr DialogTemplate kAboutTemplate{108, "バージョン情報", 207, 159};

// The texts are what the box shows when no version information is found.
constexpr ControlLayout kAboutLayout[] = {
    {ControlKind::kLabel, kAboutProductName, 7, 30, 193, 8, "製品名"},
    {ControlKind::kLabel, kAboutProductVersion, 7, 47, 193, 8, "プロダクトバージョン"},
    {ControlKind::kLabel, kAboutCompany, 7, 64, 193, 8, "会社名"},
    {ControlKind::kLabel, kAboutCopyright, 7, 81, 193, 8, "コピーライト"},
    {ControlKind::kLabel, kAboutComment, 7, 98, 193, 30, "コメント"},
    {ControlKind::kDefaultButton, kOkButton, 150, 137, 50, 14, "OK"},
};

// The icon control of the template: at (9, 2), the system's large icon size.
constexpr int kIconX = 9;
constexpr int kIconY = 2;
constexpr int kIconPixels = 32;

}  // namespace

AboutBox::AboutBox(QWidget* parent) : LayoutDialog(kAboutTemplate, kAboutLayout, parent) {
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("139"));
  icon->setPixmap(QIcon(QStringLiteral(":/icons/velmora.png")).pixmap(kIconPixels, kIconPixels));
  icon->setGeometry(DialogUnitsToPixelsX(kIconX), DialogUnitsToPixelsY(kIconY), kIconPixels,
                    kIconPixels);
  for (int id :
       {kAboutProductName, kAboutProductVersion, kAboutCompany, kAboutCopyright, kAboutComment}) {
    // A text longer than its line wraps inside the box's width, as a static text does.
    if (auto* label = qobject_cast<QLabel*>(Control(id))) {
      label->setWordWrap(true);
      label->setFixedWidth(DialogUnitsToPixelsX(193));
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
  }
  FillAboutBox(View(), EmbeddedVersionBlock());
  ConnectControls();
}

bool AboutBox::HandleClick(int id) {
  // Escape arrives as a click on the cancel button, which this box does not have.
  return id == kOkButton;
}

void RunAboutBox(QWidget* parent) {
  AboutBox box(parent);
  box.exec();
}

}  // namespace velmora
