#include "document/motion_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Appends to a string through a raw pointer, growing it ahead of each record, so that numbers are
// formatted straight into the file's bytes.
class FileWriter {
 public:
  explicit FileWriter(std::size_t expected) { out_.resize(std::max<std::size_t>(expected, 4096)); }

  // Room for one record of at most `bytes`.
  void Reserve(std::size_t bytes) {
    if (out_.size() - used_ < bytes) out_.resize(std::max(out_.size() * 2, used_ + bytes));
  }
  void Text(std::string_view text) {
    std::memcpy(out_.data() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void Char(char c) { out_[used_++] = c; }
  void Real(double v) { used_ = static_cast<std::size_t>(WriteFixed(At(), v) - out_.data()); }
  void Int(int64_t v) { used_ = static_cast<std::size_t>(WriteInt(At(), v) - out_.data()); }

  void Reals(std::string_view key, std::initializer_list<double> values) {
    Text(key);
    bool first = true;
    for (double v : values) {
      if (!first) Char(',');
      Real(v);
      first = false;
    }
  }
  template <typename Int, std::size_t N>
  void Ints(std::string_view key, const std::array<Int, N>& values) {
    Text(key);
    for (std::size_t i = 0; i < N; ++i) {
      if (i > 0) Char(',');
      this->Int(values[i]);
    }
    Text(kLineEnd);
  }

  std::string Take() {
    out_.resize(used_);
    return std::move(out_);
  }

 private:
  char* At() { return out_.data() + used_; }

  std::string out_;
  std::size_t used_ = 0;
};

// The longest record: six reals at their longest, the integers and the keys.
constexpr std::size_t kRecordMaxBytes = 8 * kFixedMaxChars + 512;

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

// The keys a line can hold. Each ends with its only colon.
enum Key {
  kCentreOffsetKey,
  kRotationKey,
  kHandPosKey,
  kTypeKey,
  kHandKey,
  kPosKey,
  kDegreeKey,
  kDisableKey,
  kTimeKey,
  kCirclurKey,
  kKeyCount
};
constexpr std::array<std::string_view, kKeyCount> kKeys = {
    "CENTER OFFSET:", "ROTATION:", "HAND_POS:", "TYPE:", "HAND:",
    "POS:",           "DEGREE:",   "_DISABLE:", "TIME:", "CIRCLUR:"};

// Where the text after the first occurrence of each key starts in a line. A key's first
// occurrence ends at the first colon that ends it, so one pass over the colons finds them all;
// the letter before a colon tells which keys can end there.
class KeyEnds {
 public:
  explicit KeyEnds(std::string_view line) : line_(line) {
    ends_.fill(std::string_view::npos);
    for (std::size_t c = line.find(':'); c != std::string_view::npos; c = line.find(':', c + 1)) {
      if (c == 0) continue;
      switch (line[c - 1]) {
        case 'T':
          Match(kCentreOffsetKey, c);
          break;
        case 'N':
          Match(kRotationKey, c);
          break;
        case 'S':  // "HAND_POS:" holds "POS:"
          Match(kHandPosKey, c);
          Match(kPosKey, c);
          break;
        case 'E':
          // The letter before the E tells the four keys apart.
          if (c >= 2) {
            switch (line[c - 2]) {
              case 'P':
                Match(kTypeKey, c);
                break;
              case 'E':
                Match(kDegreeKey, c);
                break;
              case 'L':
                Match(kDisableKey, c);
                break;
              case 'M':
                Match(kTimeKey, c);
                break;
              default:
                break;
            }
          }
          break;
        case 'D':
          Match(kHandKey, c);
          break;
        case 'R':
          Match(kCirclurKey, c);
          break;
        default:
          break;
      }
    }
  }
  // Start of the text after `key`, or none when the line does not hold it.
  std::optional<std::size_t> After(Key key) const {
    if (ends_[key] == std::string_view::npos) return std::nullopt;
    return ends_[key];
  }

 private:
  void Match(Key key, std::size_t colon) {
    const std::string_view text = kKeys[key];
    if (ends_[key] == std::string_view::npos && colon + 1 >= text.size() &&
        line_.compare(colon + 1 - text.size(), text.size(), text) == 0) {
      ends_[key] = colon + 1;
    }
  }

  std::string_view line_;
  std::array<std::size_t, kKeyCount> ends_;
};

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
  const KeyEnds keys(line);

  if (auto k = keys.After(kCentreOffsetKey)) {
    const Value x = values.First(*k);
    out.system.centreOffsetX = ReadReal(x.text);
    if (values.EndsFile(x)) return false;
    const Value y = values.Next(x);
    if (y.present) out.system.centreOffsetY = ReadReal(y.text);
  }
  if (auto k = keys.After(kRotationKey)) {
    out.system.baseRotation = ReadReal(values.First(*k).text) / 180 * kPi;
  }
  if (auto k = keys.After(kHandPosKey)) {
    out.system.clawPosition = ParseInt(values.First(*k).text);
  }
  if (auto k = keys.After(kTypeKey)) {
    Pose& pose = out.poses.emplace_back();
    pose.interpolation = ParseInt(values.First(*k).text);
    return true;
  }
  if (out.poses.empty()) return true;
  Pose& pose = out.poses.back();

  if (auto k = keys.After(kHandKey)) {
    const Value rotation = values.First(*k);
    pose.rotation = ReadReal(rotation.text);
    if (values.EndsFile(rotation)) return false;
    const Value width = values.Next(rotation);
    if (width.present) pose.handWidth = ReadReal(width.text);
  }
  if (auto k = keys.After(kPosKey)) {
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
  if (auto k = keys.After(kDegreeKey)) ReadInts(values, *k, pose.motorValues);
  if (auto k = keys.After(kDisableKey)) ReadInts(values, *k, pose.excluded);
  if (auto k = keys.After(kTimeKey)) {
    pose.transitionTime = static_cast<uint32_t>(ParseInt(values.First(*k).text));
  }
  if (auto k = keys.After(kCirclurKey)) {
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
  FileWriter out(96 + poses.size() * 200);
  out.Reserve(kRecordMaxBytes);
  out.Reals("CENTER OFFSET:", {system.centreOffsetX, system.centreOffsetY});
  out.Text(kLineEnd);
  out.Reals("ROTATION:", {system.baseRotation / kPi * 180});
  out.Text(kLineEnd);
  out.Text("HAND_POS:");
  out.Int(system.clawPosition);
  out.Text(kLineEnd);
  out.Text(kLineEnd);
  int64_t number = 0;
  for (const Pose& p : poses) {
    out.Reserve(kRecordMaxBytes);
    out.Text("*No.");
    out.Int(++number);
    out.Text(kLineEnd);
    out.Text("TYPE:");
    out.Int(p.interpolation);
    out.Text(kLineEnd);
    out.Reals("POS:", {p.x, p.y, p.z});
    out.Text(kLineEnd);
    out.Reals("HAND:", {p.rotation, p.handWidth});
    out.Char('f');  // files in circulation carry it; every reader ignores it
    out.Text(kLineEnd);
    out.Ints("DEGREE:", p.motorValues);
    out.Ints("_DISABLE:", p.excluded);
    // Written with "%d" like the Windows build, so a huge time round-trips through its sign.
    out.Text("TIME:");
    out.Int(static_cast<int32_t>(p.transitionTime));
    out.Text(kLineEnd);
    out.Text("CIRCLUR:");
    out.Int(p.arcDirection);
    out.Char(',');
    out.Real(p.arcRadius);
    out.Text(kLineEnd);
    out.Text(kLineEnd);
  }
  return out.Take();
}

MotionFileContents ParseMotionFile(std::string_view bytes, int currentClawPosition) {
  MotionFileContents out;
  out.system = CoordinateSystem{0, 0, 0, currentClawPosition};
  // A written Pose takes about 170 bytes; room for that many saves growing the list many times.
  out.poses.reserve(bytes.size() / 160);
  TextLineReader reader(bytes);
  TextLine line;
  while (reader.Next(&line)) {
    if (!ApplyLine(line.text, line.endsFile, out)) break;
  }
  // A file of something else keeps no room for Poses it never held.
  if (out.poses.capacity() > out.poses.size() * 2 + 64) out.poses.shrink_to_fit();
  return out;
}

FileResult WriteMotionFileTo(Document& doc, const Geometry& geometry, const std::string& path,
                             const AtomicWriteFault& fault) {
  std::string bytes;
  try {
    bytes = FormatMotionFile(doc.motion.Poses(), geometry.Coords());
  } catch (const std::bad_alloc&) {
    return {false, ENOMEM};
  }
  const FileResult written = WriteFileAtomically(path, bytes, fault);
  if (!written) return written;
  doc.fileName = path;
  doc.motion.ClearModified();
  doc.sink->Notify(kChangeTitle);
  return written;
}

bool WriteMotionFile(Document& doc, const Geometry& geometry, const AtomicWriteFault& fault) {
  if (doc.fileName.empty()) return false;
  const std::string path = doc.fileName;
  return WriteMotionFileTo(doc, geometry, path, fault).ok;
}

std::optional<MotionFileContents> ReadMotionFileContents(const std::string& path,
                                                         int currentClawPosition,
                                                         FileFailure* failure) {
  auto fail = [&](int error) -> std::optional<MotionFileContents> {
    if (failure != nullptr) *failure = {false, path, error};
    return std::nullopt;
  };
  MotionFileContents file;
  try {
    int error = 0;
    const std::optional<std::string> bytes = ReadWholeFile(path, kMaxMotionFileBytes, &error);
    if (!bytes) return fail(error);
    file = ParseMotionFile(*bytes, currentClawPosition);
  } catch (const std::bad_alloc&) {
    return fail(ENOMEM);
  }
  // The Motion always holds at least one Pose; a file without a Pose block is not a Motion, and
  // the user's present work is worth more than an empty default.
  if (file.poses.empty()) return fail(0);
  return file;
}

bool ReadMotionFile(Document& doc, const Geometry& geometry, const std::string& path,
                    const LoadReconcile& reconcile, FileFailure* failure) {
  const CoordinateSystem current = geometry.Coords();
  std::optional<MotionFileContents> file =
      ReadMotionFileContents(path, current.clawPosition, failure);
  if (!file) return false;
  if (!(file->system == current)) {
    if (!reconcile || !reconcile(file->system, file->poses) || file->poses.empty()) {
      if (failure != nullptr) *failure = {true, path, 0};
      return false;
    }
  }
  doc.motion.Replace(std::move(file->poses), 0);
  ResetHistory(doc);
  doc.sink->Notify(kChangeMotion | kChangeCurrentPose | kChangeTitle);
  return true;
}

bool SaveMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, bool useKnownName, FileFailure* failure) {
  std::error_code ec;
  std::string path;
  if (useKnownName && !doc.fileName.empty() && std::filesystem::exists(doc.fileName, ec)) {
    path = doc.fileName;
  } else {
    const std::optional<std::string> chosen =
        dialogs.AskSavePath(MotionFileRequest(kSaveMotionTitle, doc, moduleDirectory));
    if (!chosen || chosen->empty()) {
      if (failure != nullptr) *failure = {true, std::string(), 0};
      return false;
    }
    path = *chosen;
  }
  const FileResult written = WriteMotionFileTo(doc, geometry, path);
  if (!written && failure != nullptr) *failure = {false, path, written.error};
  return written.ok;
}

bool OpenMotion(Document& doc, const Geometry& geometry, FileDialogs& dialogs,
                const std::string& moduleDirectory, const LoadReconcile& reconcile,
                FileFailure* failure) {
  const std::optional<std::string> path =
      dialogs.AskOpenPath(MotionFileRequest(kOpenMotionTitle, doc, moduleDirectory));
  if (!path || path->empty()) {
    if (failure != nullptr) *failure = {true, std::string(), 0};
    return false;
  }
  if (!ReadMotionFile(doc, geometry, *path, reconcile, failure)) return false;
  doc.fileName = *path;
  doc.sink->Notify(kChangeTitle);
  return true;
}

}  // namespace velmora
