// Feeds arbitrary bytes to the parts of the drawing import that read text of our own: the Hershey
// font reader with the text layout, and the root size attributes of an SVG file. Besides crashes
// and undefined behaviour it checks that a font that reads lays out finite strokes, and that a
// viewport that resolves maps to finite millimetres.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/drawing_strokes.h"
#include "link/hershey_font.h"
#include "link/svg_viewport.h"

namespace {

using namespace velmora;

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  HersheyFont font;
  std::size_t badLine = 0;
  if (ParseHersheyFont(text, font, &badLine)) {
    Require(!font.glyphs.empty());
    // The input itself as text in the font it made: every character either drawn or missing.
    TextOptions options;
    options.align = static_cast<TextAlign>(size % 3);
    const TextLayout layout = LayoutText(font, text.substr(0, 256), options);
    for (const Stroke& s : layout.drawing.strokes) Require(StrokeIsSane(s));
  } else {
    Require(font.glyphs.empty());
  }
  // The same bytes as the four root attributes, split at '|'.
  SvgRootAttributes root;
  std::string* fields[] = {&root.width, &root.height, &root.viewBox, &root.preserveAspectRatio};
  std::size_t field = 0;
  for (char c : text.substr(0, 512)) {
    if (c == '|') {
      if (++field == 4) break;
      continue;
    }
    fields[field]->push_back(c);
  }
  const SvgViewport v = ResolveSvgViewport(root);
  if (v.ok) {
    const DrawingPoint p = v.userToMm.Apply({1, 1});
    Require(std::isfinite(p.x) && std::isfinite(p.y));
  }
  double mm = 0;
  if (ParseSvgLengthMm(root.width, &mm)) Require(std::isfinite(mm) && mm > 0);
  return 0;
}
