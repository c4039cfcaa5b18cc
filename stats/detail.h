#ifndef TESSAREL_STATS_DETAIL_H
#define TESSAREL_STATS_DETAIL_H

// Small helpers shared by the toolkit's sources; not part of its interface.

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "support/my_cstring.h"

namespace stats_detail {

// Result files are parsed by downstream tools that choke on "nan"/"inf":
// a value that is not finite is written as 0. Finite values keep the
// stream's own formatting (a negative zero stays "-0").
inline void put_value(std::ostream& out, float v) {
  if (std::isfinite(v))
    out << static_cast<double>(v);
  else
    out << 0;
}

// A parsed number beyond the float range becomes an infinity of its sign
// (the plain conversion of such a double is undefined).
inline float narrow_to_float(double d) {
  if (d > static_cast<double>(FLT_MAX)) return HUGE_VALF;
  if (d < -static_cast<double>(FLT_MAX)) return -HUGE_VALF;
  return static_cast<float>(d);
}

// First number of the text as strtod reads it from the start (0 when there
// is none), as a float.
inline float leading_float(const my_string& text) {
  const char* s = text.c_str();
  if (s == nullptr) return 0.0f;
  return narrow_to_float(std::strtod(s, nullptr));
}

// strtol in base 10 from the start of the text, kept within the int range.
inline int leading_int(const my_string& text) {
  const char* s = text.c_str();
  if (s == nullptr) return 0;
  const long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace stats_detail

#endif
