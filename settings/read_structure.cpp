// First structure file (one record per deme) and first group file (one
// record per group).
#include <climits>
#include <ostream>

#include "settings/settings.h"
#include "settings/settings_internal.h"
#include "support/globaldef.h"

using settings_detail::TOKEN_SIZE;

namespace {

int clamp_slot(long long slot) {
  if (slot > INT_MAX) return INT_MAX;
  if (slot < INT_MIN) return INT_MIN;
  return static_cast<int>(slot);
}

// Value of a prior-capable record token; a prior is registered at `slot`.
float token_value(Tsettings& s, const char* token, long long slot) {
  my_string text(token);
  settings_detail::cut_comment(text);
  if (!text.contains("*")) {
    text.remove_blanks();
    return text_to_float(text.c_str());
  }
  settings_detail::prepare_prior_text(text);
  float v = 0.0f;
  if (s.FillABC_db(text, clamp_slot(slot), v) == 0) s._abc_error = true;
  s._abc_mode = true;
  return v;
}

// Value of a fixed-only record token (group, sample size).
float fixed_token_value(const char* token, long long slot) {
  my_string text(token);
  settings_detail::cut_comment(text);
  if (text.contains("*")) {
    AOS << "ERROR: the parameter " << slot << " must be given fixed values!" << std::endl;
    return 0.0f;
  }
  text.remove_blanks();
  return text_to_float(text.c_str());
}

}  // namespace

void Tsettings::read_structure(std::istream& in, int& valid) {
  my_string line;
  line.read_line(in);
  line.read_line(in);
  long long slot = static_cast<long long>(_num_pop_struct) + 24;
  if (_num_pop < 1) return;
  char token[TOKEN_SIZE] = "";
  for (int d = 0; d < _num_pop; ++d) {
    float n0 = 0.0f, k = 0.0f, r = 0.0f, m = 0.0f;
    int group = 0, samp = 0;

    settings_detail::read_record_token(in, token);
    n0 = token_value(*this, token, slot++);
    _init_k_deme.push_back(static_cast<double>(n0));

    settings_detail::read_record_token(in, token);
    k = token_value(*this, token, slot++);
    _final_k_deme.push_back(static_cast<double>(k));

    settings_detail::read_record_token(in, token);
    r = token_value(*this, token, slot++);
    _growth_rate_deme.push_back(r);

    settings_detail::read_record_token(in, token);
    m = token_value(*this, token, slot++);
    _mig_rate_deme.push_back(m);

    settings_detail::read_record_token(in, token);
    group = float_to_int(fixed_token_value(token, slot++));
    _group_deme.push_back(group);
    if (group < 1 || group > _num_pop_groups) _errors.push_back(5);

    settings_detail::read_record_token(in, token);
    samp = float_to_int(fixed_token_value(token, slot++));
    _samp_size_deme.push_back(samp);

    if (m >= 0.0f && m <= 1.0f && r >= 0.0f && r <= 1.0f && n0 >= 0.0f && k >= -1.0f) ++valid;

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
}

void Tsettings::read_popabc(std::istream& in, int& valid) {
  my_string line;
  line.read_line(in);
  long long slot = static_cast<long long>(_num_pop_struct) + 24;
  if (_num_pop_groups < 1) return;
  char token[TOKEN_SIZE] = "";
  for (int g = 0; g < _num_pop_groups; ++g) {
    float k = 0.0f, r = 0.0f, m = 0.0f;

    ++slot;
    settings_detail::read_record_token(in, token);
    k = token_value(*this, token, slot);
    _final_k_group.push_back(static_cast<double>(k));

    ++slot;
    settings_detail::read_record_token(in, token);
    r = token_value(*this, token, slot);
    _growth_rate_group.push_back(r);

    ++slot;
    settings_detail::read_record_token(in, token);
    m = token_value(*this, token, slot);
    _mig_rate_group.push_back(m);

    slot += 3;

    if (m >= 0.0f && m <= 1.0f && r >= 0.0f && r <= 1.0f && k >= -1.0f) ++valid;

    const double dk = k;
    if (dk > -1.0) {
      AOS << "\tAll demes belonging to group " << (g + 1) << " are modified as follow: "
          << " new K = " << dk << " " << " new r = " << r << " " << " new m = " << m << std::endl;
    } else {
      AOS << "\tGroup of populations " << (g + 1) << " is inactive" << std::endl;
    }
  }
}
