// The subcommands that read and write files without the robot: check, export and convert.
#include <cstdio>

#include "base/c_format.h"
#include "document/motion_file.h"
#include "document/pose_csv.h"
#include "link/path_svg.h"
#include "shell/cli.h"
#include "shell/cli_session.h"

namespace velmora {

namespace {

std::string CheckText(const std::string& file, const MotionReport& r) {
  std::string o = file + ": " + FormatUnsigned(r.poses) + " Poses, ";
  o += r.flagged == 0 ? std::string("nothing flagged") : FormatUnsigned(r.flagged) + " flagged";
  o += "\n";
  for (const CheckLine& line : r.lines) o += "  " + line.text + "\n";
  o += "  duration " + Seconds(r.durationMs) + ", pen lifts " + FormatUnsigned(r.penLifts) +
       ", pen-up travel " + Seconds(r.penUpTravelMs) + "\n";
  return o;
}

const char kCheckHelp[] =
    "Usage: velmora check [--json] [--settings FILE] FILE.KMO...\n"
    "Checks each motion file as the window's motion check does (reach, motor limits, servo\n"
    "speed, with the arm, axes and maximum servo speed of the settings) and reports its\n"
    "duration, the pen lifts and the pen-up travel time. Nothing moves and nothing is written.\n"
    "\n"
    "  --json           one JSON object per file, in an array (the schema is in the README)\n"
    "  --settings FILE  read def.ini's settings from FILE (velmora.ini beside it)\n"
    "\n"
    "Exit status: 0 nothing flagged, 1 something flagged, 2 an unreadable file or bad arguments.\n";

const char kExportHelp[] =
    "Usage: velmora export FILE.KMO [--svg OUT.svg] [--csv OUT.csv] [--settings FILE]\n"
    "Writes the motion's planned path as an SVG drawing in millimetres (layers pen-down and\n"
    "pen-up) and/or its Poses as a CSV table with a header row ('.' decimal point).\n"
    "Exit status: 0 written, 1 an output could not be written, 2 bad arguments or input.\n";

const char kConvertHelp[] =
    "Usage: velmora convert IN.csv -o OUT.KMO [--settings FILE]\n"
    "Turns a CSV Pose table (as export --csv writes it) into a motion file in the coordinate\n"
    "system of the settings. A bad cell refuses the table with its line and column.\n"
    "Exit status: 0 written, 1 the output could not be written, 2 bad arguments or input.\n";

}  // namespace

int RunCheck(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(kCheckHelp);
    return 0;
  }
  bool json = false;
  std::vector<std::string> files;
  bool options = true;
  for (const std::string& a : common.rest) {
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--json") {
      json = true;
    } else if (options && IsOption(a)) {
      UnknownOption(io, "check", a);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    CliError(io, "check", "no motion file named; see velmora check --help");
    return 2;
  }
  CliSession session(io, common.settingsFile);
  int status = 0;
  std::string out = json ? "[" : "";
  for (std::size_t k = 0; k < files.size(); ++k) {
    const std::string& file = files[k];
    if (json && k != 0) out += ",\n ";
    std::string reason;
    const std::optional<std::vector<Pose>> poses = session.LoadMotion(file, reason);
    if (!poses) {
      CliError(io, "check", file + ": " + reason);
      if (json) {
        out += "{\"file\": " + JsonString(file) +
               ", \"readable\": false, \"error\": " + JsonString(reason) + "}";
      }
      status = 2;
      continue;
    }
    const CheckedMotion checked = session.Check(*poses);
    const MotionReport report = session.Report(checked);
    if (report.flagged != 0 && status == 0) status = 1;
    out += json ? CheckReportJson(file, checked, report) : CheckText(file, report);
    // Long lists appear as they are checked.
    if (!json) {
      io.out(out);
      out.clear();
    }
  }
  if (json) io.out(out + "]\n");
  return status;
}

int RunExport(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(kExportHelp);
    return 0;
  }
  std::string input, svg, csv;
  const std::vector<std::string>& a = common.rest;
  for (std::size_t i = 0; i < a.size(); ++i) {
    bool missing = false;
    if (TakeOption(a, i, "--svg", svg, missing) || TakeOption(a, i, "--csv", csv, missing)) {
      if (missing) {
        CliError(io, "export", a[i] + " needs a file name");
        return 2;
      }
    } else if (!TakeFile(io, "export", a[i], "one motion file at a time", input)) {
      return 2;
    }
  }
  if (input.empty() || (svg.empty() && csv.empty())) {
    CliError(io, "export", "name a motion file and --svg or --csv; see velmora export --help");
    return 2;
  }
  CliSession session(io, common.settingsFile);
  std::string reason;
  const std::optional<std::vector<Pose>> poses = session.LoadMotion(input, reason);
  if (!poses) {
    CliError(io, "export", input + ": " + reason);
    return 2;
  }
  int status = 0;
  if (!svg.empty()) {
    const CheckedMotion checked = session.Check(*poses);
    if (!WriteOutput(svg, FormatPathSvg(checked.path, session.state.settings.Get().vpenTh),
                     reason)) {
      CliError(io, "export", svg + ": " + reason);
      status = 1;
    }
  }
  if (!csv.empty() && !WriteOutput(csv, FormatPoseCsv(*poses), reason)) {
    CliError(io, "export", csv + ": " + reason);
    status = 1;
  }
  return status;
}

int RunConvert(const std::vector<std::string>& args, const CliIo& io) {
  bool ok = false;
  const CliCommon common = ReadCommon(args, io, ok);
  if (!ok) return 2;
  if (common.help) {
    io.out(kConvertHelp);
    return 0;
  }
  std::string input, output;
  const std::vector<std::string>& a = common.rest;
  for (std::size_t i = 0; i < a.size(); ++i) {
    bool missing = false;
    if (TakeOption(a, i, "-o", output, missing) || TakeOption(a, i, "--output", output, missing)) {
      if (missing) {
        CliError(io, "convert", "-o needs a file name");
        return 2;
      }
    } else if (!TakeFile(io, "convert", a[i], "one table at a time", input)) {
      return 2;
    }
  }
  if (input.empty() || output.empty()) {
    CliError(io, "convert", "name a CSV file and -o OUT.KMO; see velmora convert --help");
    return 2;
  }
  const PoseCsvResult table = ReadPoseCsvFile(input);
  if (!table.ok) {
    CliError(io, "convert", input + ": " + CsvFaultText(table));
    return 2;
  }
  CliSession session(io, common.settingsFile);
  std::string reason;
  if (!WriteOutput(output, FormatMotionFile(table.poses, session.state.geometry.Coords()),
                   reason)) {
    CliError(io, "convert", output + ": " + reason);
    return 1;
  }
  return 0;
}

}  // namespace velmora
