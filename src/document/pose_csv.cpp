#include "document/pose_csv.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "base/atomic_file.h"
#include "base/c_format.h"
#include "base/string_table.h"

namespace velmora {

namespace {

constexpr int kCsvLineWord = 41351;
constexpr int kCsvColumnWord = 41352;
constexpr int kCsvHeaderText = 41353;
constexpr int kCsvNotANumberText = 41354;
constexpr int kCsvOutOfRangeText = 41355;
constexpr int kCsvColumnCountText = 41356;
constexpr int kCsvNoPosesText = 41357;
constexpr int kCsvTooLargeText = 41358;

// The shortest text that reads back to exactly `value`; std::to_chars never looks at the locale.
void AppendReal(std::string& out, double value) {
  char buffer[64];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, r.ptr);
}

void AppendInt(std::string& out, int64_t value) {
  char buffer[24];
  out.append(buffer, WriteInt(buffer, value));
}

std::string_view Trim(std::string_view cell) {
  while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) cell.remove_prefix(1);
  while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t')) cell.remove_suffix(1);
  if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') {
    cell = cell.substr(1, cell.size() - 2);
  }
  return cell;
}

std::vector<std::string_view> SplitCells(std::string_view row) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = row.find(',', start);
    cells.push_back(
        Trim(row.substr(start, comma == std::string_view::npos ? row.npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return cells;
}

// An integer of the whole cell; a leading '+' is accepted (spreadsheets write it).
std::optional<int64_t> WholeInt(std::string_view cell) {
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  int64_t value = 0;
  const auto r = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (cell.empty() || r.ec != std::errc() || r.ptr != cell.data() + cell.size()) {
    return std::nullopt;
  }
  return value;
}

enum class Parsed { kOk, kNotANumber, kOutOfRange };

Parsed WholeReal(std::string_view cell, double& value) {
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  // from_chars reads "inf" and "nan", which no field may hold: they are out of range below.
  const auto r =
      std::from_chars(cell.data(), cell.data() + cell.size(), value, std::chars_format::general);
  if (cell.empty() || r.ptr != cell.data() + cell.size()) return Parsed::kNotANumber;
  if (r.ec == std::errc::result_out_of_range || !std::isfinite(value)) return Parsed::kOutOfRange;
  if (r.ec != std::errc()) return Parsed::kNotANumber;
  return Parsed::kOk;
}

PoseCsvResult Fault(CsvFault fault, std::size_t line, std::size_t column) {
  PoseCsvResult r;
  r.fault = fault;
  r.line = line;
  r.column = column;
  return r;
}

}  // namespace

std::string FormatPoseCsv(const std::vector<Pose>& poses) {
  std::string out;
  out.reserve(64 + poses.size() * 120);
  out += kPoseCsvHeader;
  out += "\r\n";
  for (const Pose& p : poses) {
    AppendInt(out, p.interpolation);
    for (const int16_t m : p.motorValues) {
      out += ',';
      AppendInt(out, m);
    }
    for (const double v : {p.x, p.y, p.z, p.handWidth, p.arcRadius, p.rotation}) {
      out += ',';
      AppendReal(out, v);
    }
    out += ',';
    AppendInt(out, p.arcDirection);
    out += ',';
    AppendInt(out, p.transitionTime);
    for (const int32_t e : p.excluded) {
      out += ',';
      AppendInt(out, e);
    }
    out += "\r\n";
  }
  return out;
}

PoseCsvResult ParsePoseCsv(std::string_view bytes) {
  if (bytes.size() > kMaxPoseCsvBytes) return Fault(CsvFault::kTooLarge, 0, 0);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::vector<Pose> poses;
  bool header = false;
  std::size_t lineNumber = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view row = bytes.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
    if (Trim(row).empty()) continue;
    const std::vector<std::string_view> cells = SplitCells(row);
    if (!header) {
      const std::vector<std::string_view> names = SplitCells(kPoseCsvHeader);
      for (std::size_t c = 0; c < names.size(); ++c) {
        if (c >= cells.size() || cells[c] != names[c]) {
          return Fault(CsvFault::kHeader, lineNumber, c + 1);
        }
      }
      if (cells.size() != names.size()) {
        return Fault(CsvFault::kHeader, lineNumber, names.size() + 1);
      }
      header = true;
      continue;
    }
    if (cells.size() != kPoseCsvColumns) {
      return Fault(CsvFault::kColumnCount, lineNumber, std::min(cells.size(), kPoseCsvColumns) + 1);
    }
    Pose p;
    // The integer cells with their ranges, by column (0-based).
    const auto integer = [&](std::size_t c, int64_t lo, int64_t hi,
                             int64_t& out) -> std::optional<PoseCsvResult> {
      const std::optional<int64_t> v = WholeInt(cells[c]);
      if (!v) {
        // A real where an integer belongs is a number, just not one the field can hold.
        double real = 0;
        return Fault(WholeReal(cells[c], real) == Parsed::kNotANumber ? CsvFault::kNotANumber
                                                                      : CsvFault::kOutOfRange,
                     lineNumber, c + 1);
      }
      if (*v < lo || *v > hi) return Fault(CsvFault::kOutOfRange, lineNumber, c + 1);
      out = *v;
      return std::nullopt;
    };
    int64_t v = 0;
    if (auto f = integer(0, kNone, kArc, v)) return *f;
    p.interpolation = static_cast<int32_t>(v);
    for (std::size_t k = 0; k < kMotorCount; ++k) {
      if (auto f = integer(1 + k, std::numeric_limits<int16_t>::min(),
                           std::numeric_limits<int16_t>::max(), v)) {
        return *f;
      }
      p.motorValues[k] = static_cast<int16_t>(v);
    }
    double* reals[] = {&p.x, &p.y, &p.z, &p.handWidth, &p.arcRadius, &p.rotation};
    for (std::size_t k = 0; k < 6; ++k) {
      const Parsed parsed = WholeReal(cells[6 + k], *reals[k]);
      if (parsed == Parsed::kNotANumber) return Fault(CsvFault::kNotANumber, lineNumber, 7 + k);
      if (parsed == Parsed::kOutOfRange) return Fault(CsvFault::kOutOfRange, lineNumber, 7 + k);
    }
    if (auto f = integer(12, kClockwise, kCounterClockwise, v)) return *f;
    p.arcDirection = static_cast<int32_t>(v);
    if (auto f = integer(13, 0, std::numeric_limits<uint32_t>::max(), v)) return *f;
    p.transitionTime = static_cast<uint32_t>(v);
    for (std::size_t k = 0; k < kMotorCount; ++k) {
      if (auto f = integer(14 + k, std::numeric_limits<int32_t>::min(),
                           std::numeric_limits<int32_t>::max(), v)) {
        return *f;
      }
      p.excluded[k] = static_cast<int32_t>(v);
    }
    poses.push_back(p);
  }
  if (!header) return Fault(CsvFault::kHeader, 1, 1);
  if (poses.empty()) return Fault(CsvFault::kNoPoses, 0, 0);
  PoseCsvResult ok;
  ok.ok = true;
  ok.poses = std::move(poses);
  return ok;
}

PoseCsvResult ReadPoseCsvFile(const std::string& path) {
  int error = 0;
  const std::optional<std::string> bytes = ReadWholeFile(path, kMaxPoseCsvBytes, &error);
  if (!bytes) {
    if (error == EFBIG) return Fault(CsvFault::kTooLarge, 0, 0);
    PoseCsvResult r = Fault(CsvFault::kUnreadable, 0, 0);
    r.systemError = error;
    return r;
  }
  return ParsePoseCsv(*bytes);
}

std::string CsvFaultText(const PoseCsvResult& r) {
  std::string place;
  if (r.line != 0) place = "line " + FormatUnsigned(r.line);
  if (r.column != 0) place += ", column " + FormatUnsigned(r.column);
  if (!place.empty()) place += ": ";
  switch (r.fault) {
    case CsvFault::kNone:
      return std::string();
    case CsvFault::kUnreadable:
      return SystemErrorText(r.systemError);
    case CsvFault::kTooLarge:
      return "the file is too large";
    case CsvFault::kHeader:
      return place + "the header row is not the Pose table's (" + kPoseCsvHeader + ")";
    case CsvFault::kColumnCount:
      return place + "the row does not have " + FormatUnsigned(kPoseCsvColumns) + " cells";
    case CsvFault::kNotANumber:
      return place + "not a number";
    case CsvFault::kOutOfRange:
      return place + "the number is outside what the field holds";
    case CsvFault::kNoPoses:
      return "the table holds no Pose";
  }
  return std::string();
}

std::string CsvFaultMessage(const PoseCsvResult& r) {
  std::string place;
  if (r.line != 0) place = LoadText(kCsvLineWord) + " " + FormatUnsigned(r.line);
  if (r.column != 0) place += "、" + LoadText(kCsvColumnWord) + " " + FormatUnsigned(r.column);
  if (!place.empty()) place += "：";
  switch (r.fault) {
    case CsvFault::kNone:
      return std::string();
    case CsvFault::kUnreadable:
      return SystemErrorText(r.systemError);
    case CsvFault::kTooLarge:
      return LoadText(kCsvTooLargeText);
    case CsvFault::kHeader:
      return place + LoadText(kCsvHeaderText);
    case CsvFault::kColumnCount:
      return place + LoadText(kCsvColumnCountText);
    case CsvFault::kNotANumber:
      return place + LoadText(kCsvNotANumberText);
    case CsvFault::kOutOfRange:
      return place + LoadText(kCsvOutOfRangeText);
    case CsvFault::kNoPoses:
      return LoadText(kCsvNoPosesText);
  }
  return std::string();
}

}  // namespace velmora
