#pragma once

namespace velmora {

// Dialog units of the dialog font to pixels. A horizontal unit is a quarter of the font's average
// character width and a vertical unit an eighth of its height; for the 12-pixel dialog font
// (6 x 13 pixel cells) that is 3/2 pixel across and 13/8 pixel down. Rounded to the nearest pixel,
// as the dialog templates of the Windows build are mapped, so both builds place controls alike.
inline constexpr int kDialogFontPixels = 12;

constexpr int DialogUnitsToPixelsX(int units) { return (units * 6 + 2) / 4; }
constexpr int DialogUnitsToPixelsY(int units) { return (units * 13 + 4) / 8; }

}  // namespace velmora
