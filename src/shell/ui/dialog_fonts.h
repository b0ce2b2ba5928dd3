#pragma once

#include <QFont>

namespace velmora {

// The dialogs' and the pose pane's font: a proportional Japanese UI face at the 12-pixel size the
// dialog units are based on. Its Latin letters keep their shapes ("mm" stays two letters).
QFont DialogFont();

// The font of number fields and the pose list: a Japanese face with half-width digits, so a value
// such as "-180.000000" or "655350msec" fits the narrow cells the layouts give it.
QFont FieldFont();

}  // namespace velmora
