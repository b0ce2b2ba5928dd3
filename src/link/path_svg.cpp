#include "link/path_svg.h"

#include <algorithm>
#include <cmath>

#include "base/c_format.h"

namespace velmora {

namespace {

constexpr double kMarginMm = 5;

struct Point {
  double x = 0, y = 0;
};

void AppendNumber(std::string& out, double v) {
  char buffer[kFixedMaxChars];
  // -0.000 would read the same, but a clean file is easier on the eyes and on diff.
  if (std::abs(v) < 0.0005) v = 0;
  out.append(buffer, WriteFixed(buffer, v, 3));
}

// One run as path data: "M x y L x y ...".
void AppendRun(std::string& out, const std::vector<Point>& run) {
  if (run.size() < 2) return;
  out += "    <path d=\"";
  for (std::size_t i = 0; i < run.size(); ++i) {
    // A servo that waits on its goal leaves the tool where it is for many points.
    if (i != 0 && i + 1 != run.size() && std::abs(run[i].x - run[i - 1].x) < 0.0005 &&
        std::abs(run[i].y - run[i - 1].y) < 0.0005) {
      continue;
    }
    out += i == 0 ? "M" : " L";
    AppendNumber(out, run[i].x);
    out += ' ';
    AppendNumber(out, -run[i].y);
  }
  out += "\"/>\n";
}

}  // namespace

std::string FormatPathSvg(const PlannedPath& planned, double penThreshold,
                          const std::vector<MeasuredSample>& measured) {
  // A segment draws when both of its ends are below the threshold, as the pen touches the paper
  // only there.
  std::vector<std::vector<Point>> down, up;
  const std::vector<PathPoint>& pts = planned.points;
  for (std::size_t i = 1; i < pts.size(); ++i) {
    const bool drawing = pts[i - 1].z < penThreshold && pts[i].z < penThreshold;
    std::vector<std::vector<Point>>& runs = drawing ? down : up;
    const bool continues =
        i >= 2 && ((pts[i - 2].z < penThreshold && pts[i - 1].z < penThreshold) == drawing);
    if (!continues || runs.empty()) runs.push_back({{pts[i - 1].x, pts[i - 1].y}});
    runs.back().push_back({pts[i].x, pts[i].y});
  }
  std::vector<Point> trace;
  trace.reserve(measured.size());
  for (const MeasuredSample& s : measured) trace.push_back({s.x, s.y});

  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  const auto extend = [&](double x, double y) {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  };
  for (const PathPoint& p : pts) extend(p.x, p.y);
  for (const Point& p : trace) extend(p.x, p.y);
  if (!(minX <= maxX)) minX = maxX = minY = maxY = 0;
  const double left = minX - kMarginMm;
  const double top = -maxY - kMarginMm;
  const double width = std::max(1.0, maxX - minX + 2 * kMarginMm);
  const double height = std::max(1.0, maxY - minY + 2 * kMarginMm);

  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
  AppendNumber(out, width);
  out += "mm\" height=\"";
  AppendNumber(out, height);
  out += "mm\" viewBox=\"";
  AppendNumber(out, left);
  out += ' ';
  AppendNumber(out, top);
  out += ' ';
  AppendNumber(out, width);
  out += ' ';
  AppendNumber(out, height);
  out += "\">\n";
  out +=
      "  <g id=\"pen-down\" fill=\"none\" stroke=\"#000000\" stroke-width=\"0.5\" "
      "stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
  for (const auto& run : down) AppendRun(out, run);
  out += "  </g>\n";
  out +=
      "  <g id=\"pen-up\" fill=\"none\" stroke=\"#3070d0\" stroke-width=\"0.25\" "
      "stroke-dasharray=\"1 1\">\n";
  for (const auto& run : up) AppendRun(out, run);
  out += "  </g>\n";
  if (!trace.empty()) {
    out += "  <g id=\"measured\" fill=\"none\" stroke=\"#d03030\" stroke-width=\"0.25\">\n";
    AppendRun(out, trace);
    out += "  </g>\n";
  }
  out += "</svg>\n";
  return out;
}

}  // namespace velmora
