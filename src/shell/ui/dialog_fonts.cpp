#include "shell/ui/dialog_fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <initializer_list>

#include "base/dialog_units.h"

namespace velmora {

namespace {

// The first of `faces` that the machine has, then the others it has. Only installed faces are
// named, because the font matcher would otherwise take the first name for a Latin face without
// Japanese glyphs.
QFont FirstInstalled(std::initializer_list<const char*> faces) {
  QStringList families;
  for (const char* face : faces) {
    const QString name = QString::fromUtf8(face);
    if (QFontDatabase::hasFamily(name)) families << name;
  }
  QFont font;
  if (!families.isEmpty()) font.setFamilies(families);
  font.setPixelSize(kDialogFontPixels);
  return font;
}

}  // namespace

QFont DialogFont() {
  return FirstInstalled({"MS UI Gothic", "IPAPGothic", "IPA Pゴシック", "IPAGothic",
                         "Noto Sans CJK JP", "Droid Sans Fallback"});
}

QFont FieldFont() {
  return FirstInstalled(
      {"MS UI Gothic", "IPAGothic", "IPAゴシック", "Noto Sans CJK JP", "Droid Sans Fallback"});
}

}  // namespace velmora
