// The subcommands that turn a drawing into a motion file: import (an SVG file) and text (a line
// or lines in a single-stroke font). They make what the drawing dialog makes on a new Motion.
#include <cmath>
#include <optional>
#include <utility>

#include "base/c_format.h"
#include "document/motion_file.h"
#include "geometry/kinematics.h"
#include "link/drawing_dialog.h"
#include "link/drawing_placement.h"
#include "link/drawing_poses.h"
#include "link/hershey_font.h"
#include "shell/cli.h"
#include "shell/cli_session.h"
#include "shell/drawing_settings.h"

namespace velmora {

namespace {

using namespace drawing_limits;

const char kPlacementHelp[] =
    "  -o, --output OUT.KMO  the motion file to write (required)\n"
    "  --x MM, --y MM    the drawing's centre (default: the middle of the area the arm reaches\n"
    "                    comfortably)\n"
    "  --width MM        the drawing's width, aspect kept (default: its own size, or the\n"
    "                    largest that fits in the middle of the comfortable area when it\n"
    "                    does not fit there at its own size)\n"
    "  --rotation DEG    a turn counterclockwise (default 0)\n"
    "  --fit             the largest width at which every point fits, around the centre\n"
    "  --tolerance MM    how far the Poses may stray from the drawing (0.02 to 1, default 0.1)\n"
    "  --speed MM/S      pen-down drawing speed (1 to 200, default 20)\n"
    "  --lift MS         time of each lowering and lifting of the pen (0 to 5000, default 300)\n"
    "  --file-order      keep the order of the strokes (default: ordered for little pen-up\n"
    "                    travel)\n"
    "  --settings FILE   read def.ini's settings from FILE (velmora.ini beside it)\n"
    "\n"
    "Without placement options the drawing is placed as the window's dialog first shows it. A\n"
    "drawing with a stroke outside the arm's reach or motor limits is refused (how many strokes\n"
    "leave the reach is said), never moved into it. The motion file holds the new Motion's first\n"
    "Pose followed by the drawing's Poses, as the dialog inserts them into a new Motion. The\n"
    "summary line (strokes, Poses, pen lifts, pen-up travel, whole time, largest deviation) is\n"
    "printed.\n";

const char kImportUsage[] =
    "Usage: velmora import DRAWING.svg -o OUT.KMO [options]\n"
    "Turns an SVG drawing into the Linear and Arc Poses that draw it with the pen arm, as the\n"
    "window's drawing import does.\n"
    "\n";
const char kImportStatus[] =
    "\n"
    "Exit status: 0 written, 1 the drawing cannot be placed inside the reach or the output\n"
    "cannot be written, 2 an unreadable drawing or bad arguments (nothing written).\n";

const char kTextUsage[] =
    "Usage: velmora text TEXT -o OUT.KMO [options]\n"
    "Draws TEXT (lines split at line feeds) in a single-stroke Hershey font, as the window's\n"
    "text drawing does.\n"
    "\n"
    "  --font NAME       the font (default futural; see the list below)\n"
    "  --height MM       height of the capital letters (1 to 300, default 10), kept as\n"
    "                    asked; --width or --fit instead scale the text\n"
    "  --spacing N       line spacing, times the height (0.5 to 5, default 1.5)\n"
    "  --align A         left, center or right (default left)\n";
const char kTextStatus[] =
    "\n"
    "Characters the font lacks (kana come from the Japanese font) are named on the error\n"
    "stream and leave a gap, as in the window's dialog; the rest is still drawn.\n"
    "Exit status: 0 written, 1 nothing to draw, the text cannot be placed inside the reach or\n"
    "the output cannot be written, 2 bad arguments or no fonts (nothing written).\n";

struct Number {
  const char* name;
  double low, high;
  std::optional<double>* value;
};

// What the drawing commands share: the output, the placement and the plan's options.
struct DrawingArgs {
  std::string output;
  std::optional<double> x, y, width, rotation, tolerance, speed, lift;
  bool fit = false;
  bool fileOrder = false;
  // Text only.
  std::optional<double> height, spacing;
  std::string font = "futural";
  std::string align;
  std::vector<std::string> positional;
};

// False (with the message written) on a bad or unknown option.
bool ReadDrawingArgs(const std::vector<std::string>& a, bool text, const std::string& command,
                     const CliIo& io, DrawingArgs& d) {
  std::vector<Number> numbers = {
      {"--x", -kMaxOffset, kMaxOffset, &d.x},
      {"--y", -kMaxOffset, kMaxOffset, &d.y},
      {"--width", kMinWidth, kMaxWidth, &d.width},
      {"--rotation", -kMaxRotation, kMaxRotation, &d.rotation},
      {"--tolerance", DrawingOptions::kMinToleranceMm, DrawingOptions::kMaxToleranceMm,
       &d.tolerance},
      {"--speed", kMinSpeed, kMaxSpeed, &d.speed},
      {"--lift", kMinLift, kMaxLift, &d.lift},
  };
  if (text) {
    numbers.push_back({"--height", kMinHeight, kMaxHeight, &d.height});
    numbers.push_back({"--spacing", kMinSpacing, kMaxSpacing, &d.spacing});
  }
  bool options = true;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!options) {
      d.positional.push_back(a[i]);
      continue;
    }
    if (a[i] == "--") {
      options = false;
      continue;
    }
    std::string value;
    bool missing = false;
    bool taken = false;
    for (const Number& n : numbers) {
      if (!TakeOption(a, i, n.name, value, missing)) continue;
      taken = true;
      std::size_t used = 0;
      const double v = missing ? 0 : ParseDouble(value, &used);
      if (missing || used == 0 || used != value.size() || !std::isfinite(v) || v < n.low ||
          v > n.high) {
        CliError(io, command,
                 std::string(n.name) + " needs a number from " + FormatFixed(n.low, 2) + " to " +
                     FormatFixed(n.high, 2));
        return false;
      }
      *n.value = v;
      break;
    }
    if (taken) continue;
    if (TakeOption(a, i, "-o", d.output, missing) ||
        TakeOption(a, i, "--output", d.output, missing) ||
        (text && TakeOption(a, i, "--font", d.font, missing)) ||
        (text && TakeOption(a, i, "--align", d.align, missing))) {
      if (missing) {
        CliError(io, command, a[i] + " needs a value");
        return false;
      }
    } else if (a[i] == "--fit") {
      d.fit = true;
    } else if (a[i] == "--file-order") {
      d.fileOrder = true;
    } else if (IsOption(a[i])) {
      UnknownOption(io, command, a[i]);
      return false;
    } else {
      d.positional.push_back(a[i]);
    }
  }
  if (d.fit && d.width) {
    CliError(io, command, "--fit and --width cannot be used together");
    return false;
  }
  if (d.output.empty()) {
    CliError(io, command, "name the motion file to write with -o OUT.KMO");
    return false;
  }
  return true;
}

std::string PlacementText(const Placement& p) {
  return "centre " + FormatFixed(p.centreX, 1) + ", " + FormatFixed(p.centreY, 1) + " mm, width " +
         FormatFixed(p.widthMm, 1) + " mm, rotation " + FormatFixed(p.rotationDeg, 1) + " deg";
}

// Places the drawing as asked, plans it and writes the motion file. `ownWidth`, when set, is the
// width the drawing keeps unless a width is asked for (text keeps the height asked for).
int PlaceAndWrite(CliSession& session, const CliIo& io, const std::string& command,
                  const DrawingArgs& d, const Drawing& drawing, std::optional<double> ownWidth) {
  if (drawing.strokes.empty()) {
    CliError(io, command, "nothing to draw");
    return 1;
  }
  const ArmGeometry g = session.state.geometry.Get();
  DrawingOptions options = CurrentDrawingOptions(session.state);
  if (d.tolerance) options.toleranceMm = *d.tolerance;
  if (d.speed) options.speedMmPerS = *d.speed;
  if (d.lift) options.liftMs = *d.lift;
  options.keepFileOrder = d.fileOrder;

  const FlatDrawing flat = FlattenDrawing(drawing);
  Placement placement = InitialPlacement(g, options.reach, flat);
  if (ownWidth) placement.widthMm = *ownWidth;
  // The dialog shows its placement to a tenth of a millimetre and a tenth of a degree, and draws
  // what it shows.
  for (double* v :
       {&placement.centreX, &placement.centreY, &placement.widthMm, &placement.rotationDeg}) {
    *v = ParseDouble(FormatFixed(*v, 1));
  }
  if (d.x) placement.centreX = *d.x;
  if (d.y) placement.centreY = *d.y;
  if (d.rotation) placement.rotationDeg = *d.rotation;
  if (d.width) placement.widthMm = *d.width;
  if (d.fit) {
    const double w = FitWidth(g, options.reach, flat, placement, kMaxWidth);
    // Rounded down to a tenth of a millimetre, as the dialog shows it, so the printed size fits.
    placement.widthMm = std::floor(w * 10) / 10;
    if (placement.widthMm < kMinWidth) {
      CliError(io, command,
               "the drawing does not fit inside the reach at any size around " +
                   FormatFixed(placement.centreX, 1) + ", " + FormatFixed(placement.centreY, 1) +
                   " mm");
      return 1;
    }
  }
  if (placement.widthMm < kMinWidth) {
    CliError(io, command, "the drawing has no width; give --width or --fit");
    return 1;
  }

  // A new Motion holds one Pose; the drawing goes in after it, as the dialog inserts it.
  const std::size_t current = session.state.document.motion.CurrentIndex();
  const Pose from = session.state.document.motion.PoseAt(current).value_or(DefaultPose(g));
  const DrawingPlan plan = PlanDrawing(g, drawing, flat, placement, options, from);
  if (plan.reach.strokesOutside != 0) {
    CliError(io, command,
             FormatUnsigned(plan.reach.strokesOutside) + " of " +
                 FormatUnsigned(drawing.strokes.size()) +
                 " strokes leave the arm's reach or motor limits at " + PlacementText(placement) +
                 "; nothing written (try --fit or a smaller --width)");
    return 1;
  }
  if (plan.poses.empty()) {
    CliError(io, command, "nothing to draw");
    return 1;
  }
  std::vector<Pose> poses{from};
  poses.insert(poses.end(), plan.poses.begin(), plan.poses.end());
  std::string reason;
  if (!WriteOutput(d.output, FormatMotionFile(poses, session.state.geometry.Coords()), reason)) {
    CliError(io, command, d.output + ": " + reason);
    return 1;
  }
  io.out(d.output + ": " + DrawingSummaryText(plan.summary) + "\n  placed at " +
         PlacementText(placement) + "\n");
  return 0;
}

std::string FontNames(const std::vector<FontChoice>& fonts) {
  std::string names;
  for (const FontChoice& f : fonts) names += (names.empty() ? "" : ", ") + f.name;
  return names;
}

}  // namespace

int RunImport(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(std::string(kImportUsage) + kPlacementHelp + kImportStatus);
    return 0;
  }
  DrawingArgs d;
  if (!ReadDrawingArgs(common.rest, false, "import", io, d)) return 2;
  if (d.positional.size() != 1) {
    CliError(io, "import", "name one SVG file; see velmora import --help");
    return 2;
  }
  const std::string& input = d.positional.front();
  if (!io.readDrawing) {
    CliError(io, "import", "this build cannot read SVG files");
    return 2;
  }
  CliDrawingRead read = io.readDrawing(input);
  if (!read.ok) {
    CliError(io, "import", input + ": " + read.error);
    return 2;
  }
  CliSession session(io, common.settingsFile);
  return PlaceAndWrite(session, io, "import", d, read.drawing, std::nullopt);
}

int RunText(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  std::vector<FontChoice> fonts = AvailableFonts();
  if (common.help) {
    io.out(std::string(kTextUsage) + kPlacementHelp + kTextStatus + "Fonts on this machine: " +
           (fonts.empty() ? std::string("none (the hershey-fonts-data package is missing)")
                          : FontNames(fonts)) +
           "\n");
    return 0;
  }
  DrawingArgs d;
  if (!ReadDrawingArgs(common.rest, true, "text", io, d)) return 2;
  if (d.positional.size() != 1) {
    CliError(io, "text", "give the text as one argument; see velmora text --help");
    return 2;
  }
  if (d.height && d.width) {
    CliError(io, "text", "--height and --width cannot be used together");
    return 2;
  }
  TextOptions text;
  if (d.height) text.heightMm = *d.height;
  if (d.spacing) text.lineSpacing = *d.spacing;
  if (d.align == "center" || d.align == "centre") {
    text.align = TextAlign::kCentre;
  } else if (d.align == "right") {
    text.align = TextAlign::kRight;
  } else if (!d.align.empty() && d.align != "left") {
    CliError(io, "text", "--align takes left, center or right");
    return 2;
  }
  if (fonts.empty()) {
    CliError(io, "text", "no fonts: the hershey-fonts-data package is missing");
    return 2;
  }
  const FontChoice* font = nullptr;
  for (const FontChoice& f : fonts) {
    if (f.name == d.font) font = &f;
  }
  if (font == nullptr) {
    CliError(io, "text", "no font '" + d.font + "'; the fonts are " + FontNames(fonts));
    return 2;
  }
  const HersheyFont kana = JapaneseFont();
  const TextLayout layout =
      LayoutText(font->font, d.positional.front(), text, kana.glyphs.empty() ? nullptr : &kana);
  if (!layout.missing.empty()) {
    std::u32string spaced;
    for (char32_t c : layout.missing) {
      if (!spaced.empty()) spaced += U' ';
      spaced += c;
    }
    CliError(io, "text", "the font " + d.font + " lacks " + ToUtf8(spaced) + " (left as gaps)");
  }
  // A height asked for is kept (the width follows it); without one the text opens as in the
  // dialog, at the default height or smaller when that does not fit.
  std::optional<double> ownWidth;
  if (d.height && !d.fit) {
    const DrawingBounds bounds = FlattenDrawing(layout.drawing).bounds;
    ownWidth = bounds.Width() > 0 ? bounds.Width() : bounds.Height();
  }
  CliSession session(io, common.settingsFile);
  return PlaceAndWrite(session, io, "text", d, layout.drawing, ownWidth);
}

}  // namespace velmora
