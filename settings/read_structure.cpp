// First structure file (one record per deme) and first group file (one
// record per group).
#include <climits>
#include <ostream>

#include "settings/settings.h"
#include "settings/settings_internal.h"
#include "settings/value_syntax.h"
#include "support/globaldef.h"

namespace {

int clamp_slot(long long slot) {
  if (slot > INT_MAX) return INT_MAX;
  if (slot < INT_MIN) return INT_MIN;
  return static_cast<int>(slot);
}

// The record tokens of one file. Once the file is exhausted every further
// token repeats the last one read; a repeated number is converted only once
// (a repeated prior is registered again: its slot differs each time).
class RecordReader {
 public:
  explicit RecordReader(std::istream& in) : _in(in) {}

  // Reads the next token; false when none could be read.
  bool next() {
    const bool fresh = read_record_token(_in, _token);
    if (fresh) _known = false;
    return fresh;
  }

  // Value of a prior-capable token; a prior is registered at `slot`.
  float value(Tsettings& s, long long slot) {
    if (_known) return _number;
    my_string text(_token);
    cut_comment(text);
    if (!text.contains("*")) return remember(text);
    prepare_prior_text(text);
    float v = 0.0f;
    s.FillABC_db(text, clamp_slot(slot), v);
    s._abc_mode = true;
    return v;
  }

  // Value of a fixed-only token (group, sample size).
  float fixed_value(long long slot) {
    if (_known) return _number;
    my_string text(_token);
    cut_comment(text);
    if (text.contains("*")) {
      AOS << "ERROR: the parameter " << slot << " must be given fixed values!" << std::endl;
      return 0.0f;
    }
    return remember(text);
  }

 private:
  float remember(my_string& text) {
    text.remove_blanks();
    _number = text_to_float(text.c_str());
    _known = true;
    return _number;
  }

  std::istream& _in;
  char _token[RECORD_TOKEN_SIZE] = "";
  bool _known = false;  // _number holds the value of the current (fixed) token
  float _number = 0.0f;
};

}  // namespace

void Tsettings::read_structure(std::istream& in, int& valid) {
  my_string line;
  const bool opened = !in.fail();
  line.read_line(in);
  line.read_line(in);
  long long slot = static_cast<long long>(_num_pop_struct) + 24;
  if (_num_pop < 1) return;
  RecordReader tokens(in);
  // First record that the file could not give whole (-1: none). Its values
  // still repeat the last token; the log names it once, after the echo.
  int short_record = -1;
  const int demes = settings_detail::records_to_read(_num_pop, settings_detail::MAX_DEMES);
  for (int d = 0; d < demes; ++d) {
    float n0 = 0.0f, k = 0.0f, r = 0.0f, m = 0.0f;
    int group = 0, samp = 0;
    bool whole = true;

    whole &= tokens.next();
    n0 = tokens.value(*this, slot++);
    _init_k_deme.push_back(static_cast<double>(n0));

    whole &= tokens.next();
    k = tokens.value(*this, slot++);
    _final_k_deme.push_back(static_cast<double>(k));

    whole &= tokens.next();
    r = tokens.value(*this, slot++);
    _growth_rate_deme.push_back(r);

    whole &= tokens.next();
    m = tokens.value(*this, slot++);
    _mig_rate_deme.push_back(m);

    whole &= tokens.next();
    group = trunc_to_int(tokens.fixed_value(slot++));
    _group_deme.push_back(group);
    if (group < 1 || group > _num_pop_groups) _errors.push_back(5);

    whole &= tokens.next();
    samp = trunc_to_int(tokens.fixed_value(slot++));
    _samp_size_deme.push_back(samp);
    if (!whole && short_record < 0) short_record = d;

    if (n0 >= 0.0f && settings_detail::demography_valid(k, r, m)) ++valid;

    const double dn0 = n0;
    const double dk = k;
    if (!_abc_mode) {
      if (dn0 > -1.0 && dk > -1.0) {
        AOS << "\tDeme " << (d + 1) << "\tN0:" << dn0 << " " << "\tK:" << dk << " "
            << "\tr:" << r << " " << "\tm:" << m << " " << "\tGroup:" << group << " "
            << "\tSample size:" << samp << std::endl;
      } else {
        AOS << "\tDeme " << (d + 1) << " is inactive" << std::endl;
      }
    } else if (dn0 < 0.0 || dk < 0.0) {
      AOS << "\tDeme " << (d + 1) << " is inactive" << std::endl;
    }
  }
  if (opened && short_record >= 0)
    AOS << "WARNING: tessarel_structure_1.txt ends before the record of deme " << (short_record + 1)
        << "!" << std::endl;
}

void Tsettings::read_popabc(std::istream& in, int& valid) {
  my_string line;
  // A file that could not be opened is reported by the caller instead.
  const bool opened = !in.fail();
  line.read_line(in);
  long long slot = static_cast<long long>(_num_pop_struct) + 24;
  if (_num_pop_groups < 1) return;
  RecordReader tokens(in);
  int short_record = -1;
  const int groups = settings_detail::records_to_read(_num_pop_groups, settings_detail::MAX_GROUPS);
  for (int g = 0; g < groups; ++g) {
    float k = 0.0f, r = 0.0f, m = 0.0f;
    bool whole = true;

    ++slot;
    whole &= tokens.next();
    k = tokens.value(*this, slot);
    _final_k_group.push_back(static_cast<double>(k));

    ++slot;
    whole &= tokens.next();
    r = tokens.value(*this, slot);
    _growth_rate_group.push_back(r);

    ++slot;
    whole &= tokens.next();
    m = tokens.value(*this, slot);
    _mig_rate_group.push_back(m);
    if (!whole && short_record < 0) short_record = g;

    slot += 3;

    if (settings_detail::demography_valid(k, r, m)) ++valid;

    const double dk = k;
    if (dk > -1.0) {
      AOS << "\tAll demes belonging to group " << (g + 1) << " are modified as follow: "
          << " new K = " << dk << " " << " new r = " << r << " " << " new m = " << m << std::endl;
    } else {
      AOS << "\tGroup of populations " << (g + 1) << " is inactive" << std::endl;
    }
  }
  if (opened && short_record >= 0)
    AOS << "WARNING: tessarel_alldemes_1.txt ends before the record of group " << (short_record + 1)
        << "!" << std::endl;
}
