#pragma once

#include <string>
#include <string_view>

#include "link/drawing_strokes.h"

namespace velmora {

// The attributes of a file's root element that say how big its drawing is.
struct SvgRootAttributes {
  std::string width, height, viewBox, preserveAspectRatio;
};

// A length of the root's width or height in mm: a number with mm, cm, in, pt, pc, px (96 per
// inch) or no unit (px). False for a percentage, an unknown unit, trailing garbage, a value that
// is not finite or not above 0.
bool ParseSvgLengthMm(std::string_view text, double* mm);

// How the file's user units map to mm, x to the right and y down.
struct SvgViewport {
  bool ok = false;
  DrawingTransform userToMm;
  double widthMm = 0, heightMm = 0;  // the viewport
};

// The viewBox, when there is one, is fitted into the viewport (width and height; each missing one
// is taken from the viewBox at 96 px per inch) by preserveAspectRatio (alignment and meet or
// slice, xMidYMid meet when absent or unreadable, or none to stretch). Without a viewBox one user
// unit is one px. `ok` false when the viewBox is malformed or empty.
SvgViewport ResolveSvgViewport(const SvgRootAttributes& root);

// The numbers of an attribute's text (path data, points, a length, a transform): how many, and
// whether one is absurd (beyond +-1e9, or a word like nan or inf where a number goes). Qt's parser
// turns an overflowing number into 0 without a word, so the reader looks first.
struct NumberScan {
  std::size_t count = 0;
  bool absurd = false;
};
NumberScan ScanNumbers(std::string_view text);

}  // namespace velmora
