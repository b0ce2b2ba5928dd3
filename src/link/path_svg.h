#pragma once

#include <string>
#include <vector>

#include "link/measured_path.h"
#include "link/planned_path.h"

namespace velmora {

// The planned tool path as an SVG drawing in millimetres: width and height in mm and a viewBox in
// the arm's own user coordinates, with the y axis turned over (SVG's y grows downwards, the top
// view's upwards), so one SVG unit is one millimetre at the place the arm goes: the point (x, y)
// of the path is drawn at (x, -y). Three groups (layers):
//   id="pen-down"  the strokes the pen draws: runs of the path below the pen threshold (VPEN_TH)
//   id="pen-up"    the travel with the pen lifted
//   id="measured"  the measured path of the last playback, when samples are given
// Each run is one <path> of straight segments through the planned points; numbers have three
// decimals ('.' whatever the locale). A path without points gives an empty drawing of 1 mm.
std::string FormatPathSvg(const PlannedPath& planned, double penThreshold,
                          const std::vector<MeasuredSample>& measured = {});

}  // namespace velmora
