#include "link/svg_viewport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "base/c_format.h"

namespace velmora {

namespace {

constexpr double kMmPerPx = 25.4 / 96;
// Larger than any drawing an arm of 320 mm could draw, by far; beyond it numbers lose meaning.
constexpr double kLargestLengthMm = 1e7;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' ||
                        s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

bool ParseNumberList(std::string_view text, std::vector<double>& out) {
  out.clear();
  std::string_view rest = Trim(text);
  while (!rest.empty()) {
    std::size_t used = 0;
    const double v = ParseDouble(rest, &used);
    if (used == 0 || !std::isfinite(v)) return false;
    out.push_back(v);
    rest.remove_prefix(used);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == ',' || rest.front() == '\t' ||
                             rest.front() == '\n' || rest.front() == '\r')) {
      rest.remove_prefix(1);
    }
    if (out.size() > 4) return false;
  }
  return true;
}

}  // namespace

bool ParseSvgLengthMm(std::string_view text, double* mm) {
  const std::string_view t = Trim(text);
  std::size_t used = 0;
  const double v = ParseDouble(t, &used);
  if (used == 0 || !std::isfinite(v) || !(v > 0)) return false;
  const std::string_view unit = Trim(t.substr(used));
  double factor = 0;
  if (unit.empty() || unit == "px") {
    factor = kMmPerPx;
  } else if (unit == "mm") {
    factor = 1;
  } else if (unit == "cm") {
    factor = 10;
  } else if (unit == "in") {
    factor = 25.4;
  } else if (unit == "pt") {
    factor = 25.4 / 72;
  } else if (unit == "pc") {
    factor = 25.4 / 6;
  } else {
    return false;
  }
  const double result = v * factor;
  if (!(result <= kLargestLengthMm)) return false;
  *mm = result;
  return true;
}

NumberScan ScanNumbers(std::string_view text) {
  NumberScan scan;
  std::size_t i = 0;
  auto digit = [&text](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '#') {  // a colour: #1e9999 is no number
      ++i;
      while (i < text.size() && std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
      continue;
    }
    const bool starts = digit(i) || (c == '.' && digit(i + 1)) ||
                        ((c == '-' || c == '+') && (digit(i + 1) || (i + 2 < text.size() &&
                                                                     text[i + 1] == '.' &&
                                                                     digit(i + 2))));
    if (!starts) {
      // nan and inf have no place in geometry (names and colours have other letters around).
      if ((c == 'n' || c == 'N' || c == 'i' || c == 'I') && i + 3 <= text.size()) {
        std::string word(text.substr(i, 3));
        for (char& w : word) w = static_cast<char>(w | 0x20);
        const bool alone = (i == 0 || !std::isalpha(static_cast<unsigned char>(text[i - 1]))) &&
                           (i + 3 == text.size() ||
                            !std::isalpha(static_cast<unsigned char>(text[i + 3])) ||
                            text.substr(i, 8) == "infinity" || text.substr(i, 8) == "Infinity");
        if ((word == "nan" || word == "inf") && alone) scan.absurd = true;
      }
      ++i;
      continue;
    }
    std::size_t used = 0;
    // A number ends at a second point or sign ("1.5.5" is 1.5 and .5 in path data).
    const double v = ParseDouble(text.substr(i, std::min<std::size_t>(64, text.size() - i)), &used);
    if (used == 0) {
      ++i;
      continue;
    }
    ++scan.count;
    if (!std::isfinite(v) || std::fabs(v) > 1e9) scan.absurd = true;
    i += used;
  }
  return scan;
}

SvgViewport ResolveSvgViewport(const SvgRootAttributes& root) {
  SvgViewport out;
  double w = 0;
  double h = 0;
  const bool hasW = ParseSvgLengthMm(root.width, &w);
  const bool hasH = ParseSvgLengthMm(root.height, &h);
  std::vector<double> box;
  if (Trim(root.viewBox).empty()) {
    // One user unit is one px; the viewport's size matters only for the page.
    out.userToMm = DrawingTransform{kMmPerPx, 0, 0, kMmPerPx, 0, 0};
    out.widthMm = hasW ? w : 0;
    out.heightMm = hasH ? h : 0;
    out.ok = true;
    return out;
  }
  if (!ParseNumberList(root.viewBox, box) || box.size() != 4 || !(box[2] > 0) || !(box[3] > 0)) {
    return out;
  }
  const double vx = box[0], vy = box[1], vw = box[2], vh = box[3];
  // A missing side follows the other one with the viewBox's aspect, or the viewBox in px.
  if (!hasW && !hasH) {
    w = vw * kMmPerPx;
    h = vh * kMmPerPx;
  } else if (!hasW) {
    w = h * vw / vh;
  } else if (!hasH) {
    h = w * vh / vw;
  }
  out.widthMm = w;
  out.heightMm = h;
  double sx = w / vw;
  double sy = h / vh;
  // preserveAspectRatio: [defer] <align> [meet|slice].
  std::string_view par = Trim(root.preserveAspectRatio);
  if (par.substr(0, 5) == "defer") par = Trim(par.substr(5));
  std::string_view align = par.substr(0, par.find(' '));
  const std::string_view mode = Trim(par.substr(align.size()));
  if (align.empty()) align = "xMidYMid";
  double ax = 0.5, ay = 0.5;
  bool stretch = false;
  if (align == "none") {
    stretch = true;
  } else if (align.size() == 8 && align[0] == 'x' && align[4] == 'Y') {
    const std::string_view xs = align.substr(1, 3);
    const std::string_view ys = align.substr(5, 3);
    ax = xs == "Min" ? 0 : xs == "Max" ? 1 : 0.5;
    ay = ys == "Min" ? 0 : ys == "Max" ? 1 : 0.5;
  }
  double tx = 0, ty = 0;
  if (!stretch) {
    const double s = mode == "slice" ? std::max(sx, sy) : std::min(sx, sy);
    tx = (w - vw * s) * ax;
    ty = (h - vh * s) * ay;
    sx = sy = s;
  }
  out.userToMm = DrawingTransform{sx, 0, 0, sy, tx - vx * sx, ty - vy * sy};
  out.ok = std::isfinite(sx) && std::isfinite(sy) && sx > 0 && sy > 0;
  return out;
}

}  // namespace velmora
