#pragma once

#include <cstddef>
#include <string>

#include "link/drawing_strokes.h"

class QByteArray;

namespace velmora {

// Why a file gave no drawing.
enum class SvgError {
  kNone,
  kMissing,       // cannot be opened
  kTooLarge,      // over kSvgMaxBytes
  kMalformed,     // not well-formed XML or not an SVG document, a bad path or number
  kEntities,      // declares or uses entities
  kTooDeep,       // nested deeper than kSvgMaxDepth
  kTooManyParts,  // more than kSvgMaxSegments segments
  kBadNumbers,    // a coordinate that is not finite or is absurdly large
  kEmpty,         // draws nothing
};

inline constexpr std::size_t kSvgMaxBytes = 20u << 20;
inline constexpr int kSvgMaxDepth = 200;
inline constexpr std::size_t kSvgMaxSegments = 200000;

struct SvgReadResult {
  SvgError error = SvgError::kNone;
  Drawing drawing;  // mm, x right, y down
  bool ok() const { return error == SvgError::kNone; }
};

// Reads an SVG document with Qt's SVG module: every visible shape, transformed, as strokes (an
// outline for a filled shape). Needs no display, only a QCoreApplication, so the command line can
// use it as well.
SvgReadResult ReadSvgData(const QByteArray& data);
SvgReadResult ReadSvgFile(const std::string& path);

// The message for an error ("" for none).
std::string SvgErrorText(SvgError error);

}  // namespace velmora
