#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/pose.h"

namespace velmora {

// The Pose list as a table for spreadsheets and scripts: a header row naming every field, then
// one row per Pose. Reals are written in their shortest form that reads back to the same double,
// with '.' as the decimal point whatever the process locale, so that export, import and export
// again give the same bytes and the same Poses. CR LF line ends, as the motion file has.
// (The delete command's scratch mark is not a field of the Pose the user sees and is not written.)
inline constexpr char kPoseCsvHeader[] =
    "interpolation,id1,id2,id3,id4,id5,x,y,z,hand_width,arc_radius,rotation,arc_direction,"
    "transition_time,excluded1,excluded2,excluded3,excluded4,excluded5";
inline constexpr std::size_t kPoseCsvColumns = 19;

// The largest table that is read: the motion file's cap.
inline constexpr std::size_t kMaxPoseCsvBytes = std::size_t{256} << 20;

std::string FormatPoseCsv(const std::vector<Pose>& poses);

// Why a table was refused.
enum class CsvFault {
  kNone,
  kUnreadable,   // the file could not be read (systemError says why)
  kTooLarge,     // over kMaxPoseCsvBytes
  kHeader,       // the first row is not kPoseCsvHeader (column: the first cell that differs)
  kColumnCount,  // a row with more or fewer cells than the header
  kNotANumber,   // a cell that is not a number of its column's kind
  kOutOfRange,   // a number outside what its field holds
  kNoPoses,      // a header and nothing else
};

struct PoseCsvResult {
  bool ok = false;
  std::vector<Pose> poses;  // only when ok
  CsvFault fault = CsvFault::kNone;
  std::size_t line = 0;    // 1-based; 0 when the fault has no place
  std::size_t column = 0;  // 1-based cell number in its row; 0 when the fault has no cell
  int systemError = 0;
};

// Reads a table written by FormatPoseCsv or edited in a spreadsheet: LF or CR LF line ends, a
// UTF-8 byte-order mark, blank rows, cells in double quotes and spaces around a cell are
// accepted. Every cell must be a number of its field's kind within its range (a real is finite);
// the first cell that is not refuses the whole table with its line and column.
PoseCsvResult ParsePoseCsv(std::string_view bytes);
PoseCsvResult ReadPoseCsvFile(const std::string& path);

// The fault in English for the command line: "line 3, column 7: not a number".
std::string CsvFaultText(const PoseCsvResult& result);
// The same in the window's language (string table), without the file name.
std::string CsvFaultMessage(const PoseCsvResult& result);

}  // namespace velmora
