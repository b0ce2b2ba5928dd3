#include "base/c_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velmora {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (Lower(text[pos + i]) != word[i]) return false;
  }
  return true;
}

std::size_t SkipSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  return i;
}

}  // namespace

namespace {

constexpr uint64_t kPowersOfTen[] = {1,      10,      100,      1000,      10000,
                                     100000, 1000000, 10000000, 100000000, 1000000000};

// Fixed notation of a value below 1e9 with at most nine decimals, from the exact binary value:
// the scaled value is rounded half to even, as printf rounds. False when the value is outside.
bool WriteSmallFixed(char*& out, double value, int decimals) {
  if (decimals < 0 || decimals > 9 || !(std::fabs(value) < 1e9)) return false;
  __extension__ using Wide = unsigned __int128;
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  const uint64_t mantissa = biased == 0 ? fraction : (fraction | (uint64_t{1} << 52));
  const int exponent = (biased == 0 ? 1 : biased) - 1075;
  const uint64_t scale = kPowersOfTen[decimals];
  uint64_t scaled = 0;  // round(|value| * 10^decimals), below 1e18
  if (exponent >= 0) {
    scaled = static_cast<uint64_t>((Wide{mantissa} << exponent) * scale);
  } else if (exponent > -100) {
    const Wide product = Wide{mantissa} * scale;  // below 2^83
    const int shift = -exponent;
    if (shift < 90) {
      const Wide quotient = product >> shift;
      const Wide rest = product - (quotient << shift);
      const Wide half = Wide{1} << (shift - 1);
      scaled = static_cast<uint64_t>(quotient);
      if (rest > half || (rest == half && (scaled & 1) != 0)) ++scaled;
    }
  }
  if (std::signbit(value)) *out++ = '-';
  out = std::to_chars(out, out + 20, scaled / scale).ptr;
  if (decimals > 0) {
    *out++ = '.';
    uint64_t rest = scaled % scale;
    for (int i = decimals - 1; i >= 0; --i) {
      out[i] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    out += decimals;
  }
  return true;
}

constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Digits with an optional point and at most 15 digits in all, with no exponent after them: the
// digits make an integer below 2^53 and the power of ten is exact, so one division gives the
// correctly rounded value, as strtod's. False (and nothing read) for anything else.
bool ReadShortDecimal(std::string_view text, std::size_t start, double* value, std::size_t* end) {
  uint64_t digits = 0;
  int count = 0;
  int decimals = 0;
  std::size_t i = start;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++count) {
    digits = digits * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  const int whole = count;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i, ++count, ++decimals) {
      digits = digits * 10 + static_cast<uint64_t>(text[i] - '0');
    }
  }
  if (count == 0 || count > 15) return false;
  if (i < text.size() && (Lower(text[i]) == 'e' || (whole == 1 && text[start] == '0' &&
                                                    decimals == 0 && Lower(text[i]) == 'x'))) {
    return false;  // an exponent, or the 0 of a hexadecimal number
  }
  *value = static_cast<double>(digits) / kExactPowersOfTen[decimals];
  *end = i;
  return true;
}

}  // namespace

char* WriteFixed(char* out, double value, int decimals) {
  if (WriteSmallFixed(out, value, decimals)) return out;
  if (std::isnan(value)) {
    if (std::signbit(value)) *out++ = '-';
    return std::copy_n("nan", 3, out);
  }
  if (std::isinf(value)) {
    if (value < 0) *out++ = '-';
    return std::copy_n("inf", 3, out);
  }
  return std::to_chars(out, out + kFixedMaxChars, value, std::chars_format::fixed, decimals).ptr;
}

char* WriteInt(char* out, int64_t value) { return std::to_chars(out, out + 21, value).ptr; }

std::string FormatFixed(double value, int decimals, bool plus) {
  char buf[kFixedMaxChars + 1];
  char* p = buf;
  if (plus && !std::signbit(value)) *p++ = '+';
  return std::string(buf, WriteFixed(p, value, decimals));
}

std::string FormatInt(int64_t value, bool plus) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  std::string s(buf, r.ptr);
  if (plus && value >= 0) s.insert(s.begin(), '+');
  return s;
}

std::string FormatUnsigned(uint64_t value) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FormatIntPadded(int64_t value, int width) {
  const bool negative = value < 0;
  std::string digits =
      FormatUnsigned(negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
  const int pad = width - static_cast<int>(digits.size()) - (negative ? 1 : 0);
  if (pad > 0) digits.insert(0, static_cast<std::size_t>(pad), '0');
  return negative ? "-" + digits : digits;
}

std::string FormatIntWidth(int64_t value, int width, bool plus) {
  std::string s = FormatInt(value, plus);
  if (static_cast<int>(s.size()) < width)
    s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
  return s;
}

std::string FormatHexByte(uint8_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  return std::string{'0', 'x', kHex[value >> 4], kHex[value & 15]};
}

std::string FormatHexUpper(uint32_t value, int width) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kHex[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return digits;
}

double ParseDouble(std::string_view text, std::size_t* consumed) {
  if (consumed != nullptr) *consumed = 0;
  std::size_t i = SkipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  double value = 0;
  std::size_t end = start;
  // A number starts with a digit or a point; only other texts can be inf or nan.
  const bool numeric = start < text.size() && (IsDigit(text[start]) || text[start] == '.');

  if (numeric && ReadShortDecimal(text, start, &value, &end)) {
    // done: the common case of the files and fields
  } else if (StartsWithNoCase(text, start, "inf")) {
    value = std::numeric_limits<double>::infinity();
    end = start + (StartsWithNoCase(text, start, "infinity") ? 8 : 3);
  } else if (StartsWithNoCase(text, start, "nan")) {
    value = std::numeric_limits<double>::quiet_NaN();
    end = start + 3;
    // strtod also takes "nan(chars)".
    if (end < text.size() && text[end] == '(') {
      std::size_t j = end + 1;
      while (j < text.size() && (IsDigit(text[j]) || text[j] == '_' ||
                                 (Lower(text[j]) >= 'a' && Lower(text[j]) <= 'z'))) {
        ++j;
      }
      if (j < text.size() && text[j] == ')') end = j + 1;
    }
  } else {
    const bool hex = start + 1 < text.size() && text[start] == '0' && Lower(text[start + 1]) == 'x';
    const std::size_t from = hex ? start + 2 : start;
    // Decimal: digits [. digits] [e [sign] digits], at least one digit in the mantissa.
    std::size_t j = from;
    bool mantissa = false;
    auto isDigitOfBase = [&](char c) {
      return IsDigit(c) || (hex && Lower(c) >= 'a' && Lower(c) <= 'f');
    };
    while (j < text.size() && isDigitOfBase(text[j])) {
      ++j;
      mantissa = true;
    }
    if (j < text.size() && text[j] == '.') {
      ++j;
      while (j < text.size() && isDigitOfBase(text[j])) {
        ++j;
        mantissa = true;
      }
    }
    if (!mantissa) {
      // "0x" with no hexadecimal digit reads as the 0 before the x.
      if (hex) {
        if (consumed != nullptr) *consumed = start + 1;
        return negative ? -0.0 : 0.0;
      }
      return 0;
    }
    const char expChar = hex ? 'p' : 'e';
    if (j < text.size() && Lower(text[j]) == expChar) {
      std::size_t k = j + 1;
      if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
      if (k < text.size() && IsDigit(text[k])) {
        while (k < text.size() && IsDigit(text[k])) ++k;
        j = k;
      }
    }
    end = j;
    const auto fmt = hex ? std::chars_format::hex : std::chars_format::general;
    const auto r = std::from_chars(text.data() + from, text.data() + end, value, fmt);
    if (r.ec == std::errc::result_out_of_range) {
      // Decide between overflow and underflow from the exponent's size.
      bool large = false;
      std::size_t k = from;
      while (k < end && (isDigitOfBase(text[k]) || text[k] == '.')) ++k;
      if (k < end) {
        std::size_t e = k + 1;
        large = !(e < end && text[e] == '-');
      } else {
        large = true;  // a mantissa with hundreds of digits
      }
      value = large ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (r.ec != std::errc()) {
      value = 0;
    }
  }
  if (consumed != nullptr) *consumed = end;
  return negative ? -value : value;
}

namespace {

// Reads optional sign and digits; returns the magnitude saturated at `limit` + 1 beyond it.
uint64_t ParseMagnitude(std::string_view text, bool* negative, std::size_t* consumed) {
  *negative = false;
  if (consumed != nullptr) *consumed = 0;
  std::size_t i = SkipSpace(text);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    *negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !IsDigit(text[i])) return 0;
  uint64_t v = 0;
  constexpr uint64_t kCap = uint64_t{1} << 40;  // far beyond 32 bits, never overflows
  while (i < text.size() && IsDigit(text[i])) {
    if (v < kCap) v = v * 10 + static_cast<uint64_t>(text[i] - '0');
    ++i;
  }
  if (consumed != nullptr) *consumed = i;
  return v;
}

}  // namespace

int32_t ParseInt(std::string_view text, std::size_t* consumed) {
  bool negative = false;
  const uint64_t v = ParseMagnitude(text, &negative, consumed);
  if (negative) return v >= 2147483648ull ? INT32_MIN : -static_cast<int32_t>(v);
  return v > 2147483647ull ? INT32_MAX : static_cast<int32_t>(v);
}

uint32_t ParseUnsigned(std::string_view text, std::size_t* consumed) {
  bool negative = false;
  const uint64_t v = ParseMagnitude(text, &negative, consumed);
  if (v > 4294967295ull) return 4294967295u;
  const uint32_t u = static_cast<uint32_t>(v);
  return negative ? 0u - u : u;
}

}  // namespace velmora
