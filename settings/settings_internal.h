#ifndef TESSAREL_SETTINGS_SETTINGS_INTERNAL_H
#define TESSAREL_SETTINGS_SETTINGS_INTERNAL_H

// Helpers shared by the readers of the settings; not for other subsystems.

namespace settings_detail {

// Largest tables a run can build. A list whose count is above its limit (a
// typo, or a line shifted by a miscounted list) is not read at all and the
// run is refused (code 14), instead of reading on for ever after the input
// ran out and echoing millions of records of a run that cannot go on.
const int MAX_DEMES = 1000000;
const int MAX_GROUPS = 1000000;
const int MAX_ROUTES = 10000;
const int MAX_STRUCTURES = 10000;
// Largest initial allele table and sum of initial deme sizes (code 15).
const int MAX_ALLELES = 1000000;
const double MAX_TOTAL_N0 = 100000000.0;

// K, r and m of a deme or group record are usable: m and r within [0, 1]
// and K at least -1 (every bound inclusive; NaN fails).
inline bool demography_valid(double k, float r, float m) {
  return m >= 0.0f && m <= 1.0f && r >= 0.0f && r <= 1.0f && k >= -1.0;
}

// Number of records to read for a list of n records: none beyond the limit.
inline int records_to_read(int n, int limit) { return n > limit ? 0 : n; }

}  // namespace settings_detail

#endif
