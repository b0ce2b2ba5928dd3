#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Number formatting and parsing with the exact results of the C conversions the files, fields and
// logs were defined with, but independent of the C library's locale (Qt sets it from the
// environment, and a comma decimal separator must never reach a file or a field).

// printf("%.*f"): fixed notation, correctly rounded; "inf", "-inf", "nan", "-nan" like glibc.
// With `plus` a sign is always written, as "%+f" does.
std::string FormatFixed(double value, int decimals = 6, bool plus = false);

// The characters of FormatFixed(value, decimals) written at `out`, which has room for at least
// kFixedMaxChars; returns the end of what was written.
inline constexpr std::size_t kFixedMaxChars = 400;
char* WriteFixed(char* out, double value, int decimals = 6);

// The characters of FormatInt(value) written at `out`, which has room for 21; returns the end.
char* WriteInt(char* out, int64_t value);

// printf("%d") / printf("%+d").
std::string FormatInt(int64_t value, bool plus = false);

// printf("%u").
std::string FormatUnsigned(uint64_t value);

// printf("%0*d"): zero-padded to at least `width` digits (after a minus sign).
std::string FormatIntPadded(int64_t value, int width);

// printf("%*d"): right-aligned in a field of at least `width` characters; with `plus` as "%+*d".
std::string FormatIntWidth(int64_t value, int width, bool plus = false);

// printf("0x%02x") of a byte.
std::string FormatHexByte(uint8_t value);

// printf("%0*X"): upper-case hexadecimal digits, zero-padded to at least `width` digits.
std::string FormatHexUpper(uint32_t value, int width);

// atof / strtod: leading white space skipped, optional sign, decimal digits with an optional
// point and exponent (also "inf", "infinity", "nan" and hexadecimal "0x..." as strtod reads them);
// conversion stops at the first character that does not fit; no number gives 0. A value too large
// gives +-infinity, one too small gives 0. `consumed`, when given, receives the number of
// characters used (0 when no number was found).
double ParseDouble(std::string_view text, std::size_t* consumed = nullptr);

// atoi / strtol with base 10: leading white space, optional sign, decimal digits; stops at the
// first other character; no digits give 0. Values beyond the 32-bit range saturate.
int32_t ParseInt(std::string_view text, std::size_t* consumed = nullptr);

// strtoul with base 10 into 32 bits: as ParseInt, but a minus sign negates in unsigned arithmetic
// ("-5" gives 4294967291), and values beyond the range saturate at 4294967295.
uint32_t ParseUnsigned(std::string_view text, std::size_t* consumed = nullptr);

// The C locale's isspace: space, \t, \n, \v, \f, \r.
inline bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace velmora
