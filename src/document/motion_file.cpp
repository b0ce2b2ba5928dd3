#include "document/motion_file.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "base/c_format.h"
#include "base/change_sink.h"
#include "base/text_lines.h"

namespace velmora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// ---- Writing -------------------------------------------------------------------------------

void AppendReals(std::string& out, std::string_view key, std::initializer_list<double> values) {
  out += key;
  bool first = true;
  for (double v : values) {
    if (!first) out += ',';
    out += FormatFixed(v);
    first = false;
  }
}

template <typename Int, std::size_t N>
void AppendInts(std::string& out, std::string_view key, const std::array<Int, N>& values) {
  out += key;
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) out += ',';
    out += FormatInt(values[i]);
  }
  out += kLineEnd;
}

// ---- Reading -------------------------------------------------------------------------------

// Values are separated by white space and commas; the end of the line ends a value too.
bool IsDelimiter(char c) { return IsCSpace(c) || c == ','; }

// Reals that are not finite would reach the kinematics, the coordinate-system comparison and,
// through an adopted system, the placement transforms; they read as a text without a number: 0.
double ReadReal(std::string_view text) {
  const double v = ParseDouble(text);
  return std::isfinite(v) ? v : 0.0;
}

struct Value {
  std::string_view text;
  std::size_t end = 0;   // index of the delimiter (or the line end) that ended it
  bool present = false;  // false: the line had run out before this value
};

// The values of one key on one line. Nothing here looks beyond the line.
class LineValues {
 public:
  LineValues(std::string_view line, bool lineEndsFile) : line_(line), endsFile_(lineEndsFile) {}

  // The first value starts right after the key's colon, so a blank there makes it empty.
  Value First(std::size_t keyEnd) const { return At(keyEnd); }

  // The next value after any run of delimiters; missing when the line ends first.
  Value Next(const Value& previous) const {
    std::size_t p = previous.end;
    while (p < line_.size() && IsDelimiter(line_[p])) ++p;
    return p < line_.size() ? At(p) : Value{};
  }

  // A value that starts directly after the one delimiter that ended `previous`.
  Value AfterOneDelimiter(const Value& previous) const {
    const std::size_t p = previous.end + 1;
    return p < line_.size() ? At(p) : Value{};
  }

  // A value that runs to the end of the file ends the reading when it is one of the values the
  // reader stops on.
  bool EndsFile(const Value& v) const { return v.present && endsFile_ && v.end == line_.size(); }

 private:
  Value At(std::size_t start) const {
    std::size_t e = start;
    while (e < line_.size() && !IsDelimiter(line_[e])) ++e;
    return {line_.substr(start, e - start), e, true};
  }

  std::string_view line_;
  bool endsFile_;
};

// Start of the text after `key` in `line`, or none.
std::optional<std::size_t> After(std::string_view line, std::string_view key) {
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  return at + key.size();
}

// Up to five integers into `fields`, each converted to the field's type (DEGREE keeps the low 16
// bits). Fields without a value keep what they had.
template <typename Int>
void ReadInts(const LineValues& values, std::size_t keyEnd, std::array<Int, kMotorCount>& fields) {
  Value v = values.First(keyEnd);
  for (std::size_t i = 0; i < fields.size() && v.present; ++i) {
    fields[i] = static_cast<Int>(ParseInt(v.text));
    v = values.Next(v);
  }
}

// Applies one line; false when the reading must stop. Missing values (a line shorter than its
// key's list) leave their fields as they were.
bool ApplyLine(std::string_view line, bool lineEndsFile, MotionFileContents& out) {
  const LineValues values(line, lineEndsFile);

  if (auto k = After(line, "CENTER OFFSET:")) {
    const Value x = values.First(*k);
    out.system.centreOffsetX = ReadReal(x.text);
    if (values.EndsFile(x)) return false;
    const Value y = values.Next(x);
    if (y.present) out.system.centreOffsetY = ReadReal(y.text);
  }
  if (auto k = After(line, "ROTATION:")) {
    out.system.baseRotation = ReadReal(values.First(*k).text) / 180 * kPi;
  }
  if (auto k = After(line, "HAND_POS:")) {
    out.system.clawPosition = ParseInt(values.First(*k).text);
  }
  if (auto k = After(line, "TYPE:")) {
    Pose& pose = out.poses.emplace_back();
    pose.interpolation = ParseInt(values.First(*k).text);
    return true;
  }
  if (out.poses.empty()) return true;
  Pose& pose = out.poses.back();

  if (auto k = After(line, "HAND:")) {
    const Value rotation = values.First(*k);
    pose.rotation = ReadReal(rotation.text);
    if (values.EndsFile(rotation)) return false;
    const Value width = values.Next(rotation);
    if (width.present) pose.handWidth = ReadReal(width.text);
  }
  if (auto k = After(line, "POS:")) {
    const Value x = values.First(*k);
    pose.x = ReadReal(x.text);
    if (values.EndsFile(x)) return false;
    const Value y = values.Next(x);
    if (y.present) {
      pose.y = ReadReal(y.text);
      if (values.EndsFile(y)) return false;
      const Value z = values.AfterOneDelimiter(y);
      if (z.present) pose.z = ReadReal(z.text);
    }
  }
  if (auto k = After(line, "DEGREE:")) ReadInts(values, *k, pose.motorValues);
  if (auto k = After(line, "_DISABLE:")) ReadInts(values, *k, pose.excluded);
  if (auto k = After(line, "TIME:")) {
    pose.transitionTime = static_cast<uint32_t>(ParseInt(values.First(*k).text));
  }
  if (auto k = After(line, "CIRCLUR:")) {
    const Value direction = values.First(*k);
    pose.arcDirection = ParseInt(direction.text);
    if (values.EndsFile(direction)) return false;
    const Value radius = values.Next(direction);
    if (radius.present) pose.arcRadius = ReadReal(radius.text);
  }
  return true;
}

FileDialogRequest MotionFileRequest(const char* title, const Document& doc,
                                    const std::string& moduleDirectory) {
  return {title, "KMO", "*.KMO", "KMO", doc.fileName, moduleDirectory};
}

}  // namespace

std::string FormatMotionFile(const std::vector<Pose>& poses, const CoordinateSystem& system) {
  std::string out;
  out.reserve(96 + poses.size() * 200);
  AppendReals(out, "CENTER OFFSET:", {system.centreOffsetX, system.centreOffsetY});
  out += kLineEnd;
  AppendReals(out, "ROTATION:", {system.baseRotation / kPi * 180});
  out += kLineEnd;
  out += "HAND_POS:" + FormatInt(system.clawPosition);
  out += kLineEnd;
  out += kLineEnd;
  int64_t number = 0;
  for (const Pose& p : poses) {
    out += "*No." + FormatInt(++number);
    out += kLineEnd;
    out += "TYPE:" + FormatInt(p.interpolation);
    out += kLineEnd;
    AppendReals(out, "POS:", {p.x, p.y, p.z});
    out += kLineEnd;
    AppendReals(out, "HAND:", {p.rotation, p.handWidth});
    out += 'f';  // files in circulation carry it; every reader ignores it
    out += kLineEnd;
    AppendInts(out, "DEGREE:", p.motorValues);
    AppendInts(out, "_DISABLE:", p.excluded);
    // Written with "%d" like the Windows build, so a huge time round-trips through its sign.
    out += "TIME:" + FormatInt(static_cast<int32_t>(p.transitionTime));
    out += kLineEnd;
    out += "CIRCLUR:" + FormatInt(p.arcDirection) + "," + FormatFixed(p.arcRadius);
    out += kLineEnd;
    out += kLineEnd;
  }
  return out;
}

MotionFileContents ParseMotionFile(std::string_view bytes, int currentClawPosition) {
  MotionFileContents out;
  out.system = CoordinateSystem{0, 0, 0, currentClawPosition};
  TextLineReader reader(bytes);
  TextLine line;
  while (reader.Next(&line)) {
    if (!ApplyLine(line.text, line.endsFile, out)) break;
  }
  return out;
}

bool WriteMotionFile(Document& doc, const Geometry& geometry, const AtomicWriteFault& fault) {
  if (doc.fileName.empty()) return false;
  std::string bytes;
  try {
    bytes = FormatMotionFile(doc.motion.Poses(), geometry.Coords());
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!WriteFileAtomically(doc.fileName, bytes, fault)) return false;
  doc.motion.ClearModified();
  doc.sink->Notify(kChangeTitle);
  return true;
}

bool ReadMotionFile(Document& doc, const Geometry& geometry, const std::string& path,
                    const LoadReconcile& reconcile) {
  const CoordinateSystem current = geometry.Coords();
  MotionFileContents file;
  try {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return false;
    file = ParseMotionFile(*bytes, current.clawPosition);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The Motion always holds at least one Pose; a file without a Pose block is not a Motion, and
  // the user's present work is worth more than an empty default.
  if (file.poses.empty()) return false;
  if (!(file.system == current)) {
    if (!reconcile || !reconcile(file.system, file.poses) || file.poses.empty()) return false;
  }
  doc.motion.Replace(std::move(file.poses), 0);
  ResetHistory(doc);
  doc.sink->Notify(kChangeMotion | kChangeCurrentPose | kChangeTitle);
  return true;
}

bool SaveMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, bool useKnownName) {
  std::error_code ec;
  if (useKnownName && !doc.fileName.empty() && std::filesystem::exists(doc.fileName, ec)) {
    return WriteMotionFile(doc, geometry);
  }
  const std::optional<std::string> path =
      dialogs.AskSavePath(MotionFileRequest(kSaveMotionTitle, doc, moduleDirectory));
  if (!path || path->empty()) return false;
  doc.fileName = *path;
  return WriteMotionFile(doc, geometry);
}

bool OpenMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, const LoadReconcile& reconcile) {
  const std::optional<std::string> path =
      dialogs.AskOpenPath(MotionFileRequest(kOpenMotionTitle, doc, moduleDirectory));
  if (!path || path->empty()) return false;
  if (!ReadMotionFile(doc, geometry, *path, reconcile)) return false;
  doc.fileName = *path;
  doc.sink->Notify(kChangeTitle);
  return true;
}

}  // namespace velmora
