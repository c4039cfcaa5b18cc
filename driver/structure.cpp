#include "driver/structure.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>

#include "driver/grid.h"
#include "settings/settings.h"
#include "settings/value_syntax.h"
#include "support/globaldef.h"
#include "support/my_cstring.h"

namespace {

// A value that means "leave this parameter as it is".
const float kNoChange = -1.0f;

// In group mode, the value that stands for the group's own setting.
const float kGroupSetting = -99.0f;

struct Triple {
  char k[RECORD_TOKEN_SIZE];
  char r[RECORD_TOKEN_SIZE];
  char m[RECORD_TOKEN_SIZE];
};

// Value of one token: comment cut, then a prior (its registration value) or
// a number. The prior is parsed on its own and never takes a slot of the
// run's prior table, where it would replace the prior of another setting. An
// unusable prior gives "no change" and one error line.
float token_value(const char* token, Tsettings* s, const char* file_name) {
  my_string text(token);
  cut_comment(text);
  if (!text.contains('*')) {
    text.remove_blanks();
    return text_to_float(text.c_str());
  }
  prepare_prior_text(text);
  TDistributionSettings prior;
  float value = 0.0f;
  const int usable = parse_prior_text(text, &prior, value);
  s->_abc_mode = true;
  if (usable == 0) {
    AOS << "ERROR: the prior " << token << " in " << file_name
        << " cannot be used (unknown distribution or missing parameters); the value is left unchanged"
        << std::endl;
    return kNoChange;
  }
  return value;
}

// Group mode: the group's value as read, -99 standing for the group's own
// setting (which then goes through the same rule) and every other negative
// value for no change.
template <class T>
float group_value(float v, const std::vector<T>& setting, int gi) {
  if (v == kGroupSetting) {
    if (gi < 0 || static_cast<std::size_t>(gi) >= setting.size()) return kNoChange;
    return static_cast<float>(setting[static_cast<std::size_t>(gi)]);
  }
  return v < 0.0f ? kNoChange : v;
}

// New growth or migration rate: relative values scale the current one; a
// result outside [0, 1] keeps the current one with a warning.
float changed_rate(float v, bool absolute, float current, const char* warning) {
  if (!absolute) v = v * current;
  if (v > 1.0f || v < 0.0f) {
    AOS << warning << std::endl;
    v = current;
  }
  return v;
}

}  // namespace

void changepopstructure(Tsettings* s, std::vector<Tpop*>* demes, const int& g) {
  if (g <= 0 || s == nullptr) return;
  bool group_mode = s->_all_pop_with_same_demo != 0;
  for (std::size_t i = 0; i < s->_pop_struct.size(); ++i) {
    if (s->_pop_struct[i] != g) continue;
    int k = static_cast<int>(i) + 1;
    char name[64];
    std::snprintf(name, sizeof(name), "%s%d.txt",
                  group_mode ? "tessarel_alldemes_" : "tessarel_structure_", k);
    std::ifstream file(name);
    // A directory (or a file that fails on its first read) opens but yields
    // nothing; reading it as an empty file would set every K, r and m to 0.
    if (file.is_open()) file.peek();
    if (!file.is_open() || file.bad()) {
      AOS << "ERROR: Problem occured when trying to load population structure modification no " << k
          << std::endl;
      continue;
    }
    change_settings_in_pops(file, g, demes, s, name);
    set_kzero(demes, s);
    file.close();
  }
}

void change_settings_in_pops(std::istream& in, const int& g, std::vector<Tpop*>* demes,
                             Tsettings* s) {
  change_settings_in_pops(in, g, demes, s, "the structure-change file");
}

void change_settings_in_pops(std::istream& in, const int& g, std::vector<Tpop*>* demes,
                             Tsettings* s, const char* file_name) {
  AOS << "\nGeneration " << g << ": modification of population structure" << std::endl;
  if (s == nullptr) return;
  if (file_name == nullptr) file_name = "the structure-change file";

  my_string first_line;
  first_line.read_line(in);

  char token[RECORD_TOKEN_SIZE];
  token[0] = '\0';
  read_record_token(in, token);
  bool abs_k = std::strcmp(token, "abs") == 0;
  read_record_token(in, token);
  bool abs_r = std::strcmp(token, "abs") == 0;
  read_record_token(in, token);
  bool abs_m = std::strcmp(token, "abs") == 0;

  std::size_t n = 0;
  if (demes != nullptr && s->_num_pop > 0) {
    n = std::min(static_cast<std::size_t>(s->_num_pop), demes->size());
  }

  // Group mode: every group's triple is read before any deme changes. Only
  // the groups that demes belong to are kept, and once the file is
  // exhausted the remaining triples (all repeating the last token) are not
  // walked through one by one, so a huge group count costs nothing.
  bool group_mode = s->_all_pop_with_same_demo != 0;
  std::vector<float> group_values;
  if (group_mode && s->_num_pop_groups > 0) {
    long groups_used = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const Tpop* d = (*demes)[i];
      if (d != nullptr && d->_group > groups_used) groups_used = d->_group;
    }
    groups_used = std::min(groups_used, static_cast<long>(s->_num_pop_groups));
    long kept = groups_used * 3;
    long total = static_cast<long>(s->_num_pop_groups) * 3;
    group_values.assign(static_cast<std::size_t>(kept), kNoChange);
    bool have_value = false;
    float value = 0.0f;
    for (long idx = 0; idx < total; ++idx) {
      if (!in.fail() || !have_value) {
        read_record_token(in, token);
        value = token_value(token, s, file_name);
        have_value = true;
      } else if (idx >= kept) {
        break;
      }
      if (idx < kept) group_values[static_cast<std::size_t>(idx)] = value;
    }
  }

  for (std::size_t i = 0; i < n; ++i) {
    Tpop* d = (*demes)[i];
    int k = static_cast<int>(i) + 1;
    Triple t;
    if (!group_mode) {
      // A deme's triple is read whole before any of its values is used.
      read_record_token(in, token);
      std::memcpy(t.k, token, sizeof(token));
      read_record_token(in, token);
      std::memcpy(t.r, token, sizeof(token));
      read_record_token(in, token);
      std::memcpy(t.m, token, sizeof(token));
    }
    if (d == nullptr) continue;
    int gi = d->_group - 1;
    bool has_group = group_mode && gi >= 0 && static_cast<std::size_t>(gi) * 3 + 2 < group_values.size();
    std::size_t base = has_group ? static_cast<std::size_t>(gi) * 3 : 0;

    float vk = kNoChange;
    if (!group_mode) {
      vk = token_value(t.k, s, file_name);
    } else if (has_group) {
      vk = group_value(group_values[base], s->_final_k_group, gi);
    }
    if (vk >= 0.0f) {
      int cur = trunc_to_int(d->_k);
      float product;
      if (abs_k) {
        product = vk;
      } else {
        if (cur == 0 || vk == 0.0f) AOS << "tWARNING modifying K with 0!" << std::endl;
        product = vk * static_cast<float>(cur);
        if (std::isinf(product)) product = product > 0.0f ? FLT_MAX : -FLT_MAX;
      }
      double new_k = static_cast<double>(product);
      if (new_k < 0.0) {
        AOS << "WARNING: Carrying capacity <0.0 when modifying the settings! Modification cancelled"
            << std::endl;
        new_k = static_cast<double>(cur);
      }
      d->_k = new_k;
      vk = static_cast<float>(new_k);
    }

    float vr = kNoChange;
    if (!group_mode) {
      vr = token_value(t.r, s, file_name);
    } else if (has_group) {
      vr = group_value(group_values[base + 1], s->_growth_rate_group, gi);
    }
    if (vr >= 0.0f) {
      vr = changed_rate(vr, abs_r, d->_r,
                        "WARNING: growth rate >1.0 or <0.0 when modifying the settings! Modification cancelled");
      d->_r = vr;
    }

    float vm = kNoChange;
    if (!group_mode) {
      vm = token_value(t.m, s, file_name);
    } else if (has_group) {
      vm = group_value(group_values[base + 2], s->_mig_rate_group, gi);
    }
    if (vm >= 0.0f) {
      vm = changed_rate(vm, abs_m, d->_m,
                        "WARNING: migration rate >1.0 or <0.0 when modifying the settings! Modification cancelled");
      d->_m = vm;
    }

    if (vk < 0.0f && vr < 0.0f && vm < 0.0f) continue;
    if (d->_inactive) {
      AOS << "Deme " << k << " is inactive" << std::endl;
      continue;
    }
    AOS << "Deme " << k << " modified with";
    if (vk >= 0.0f) AOS << "\tnew k=" << trunc_to_int(vk);
    if (vr >= 0.0f) AOS << "\tnew r=" << vr;
    if (vm >= 0.0f) AOS << "\tnew m=" << vm;
    AOS << std::endl;
  }
}
