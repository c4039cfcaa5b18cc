#include <cmath>
#include <ostream>

#include "model/model_detail.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace {

// Adds one copy of an allele to a count vector; a copy whose number has no
// slot is not counted rather than written past the vector.
inline void add_copy(std::vector<double>& counts, const Tallele* a) {
  if (a == nullptr || a->_id < 0) return;
  std::size_t const i = static_cast<std::size_t>(a->_id);
  if (i < counts.size()) counts[i] += 1.0;
}

}  // namespace

void model_detail::alleles_held(std::vector<float> const& freq, std::vector<std::size_t>& held) {
  held.clear();
  for (std::size_t i = 0; i < freq.size(); ++i) {
    if (freq[i] != 0.0f) held.push_back(i);
  }
}

int model_detail::take_copy(std::vector<float>& freq, std::vector<std::size_t> const& held,
                            long long copies, bool last_clears) {
  float const u = static_cast<float>(getfloat());
  float sum = 0.0f;
  for (std::size_t i : held) {
    float const next = sum + freq[i];
    if (sum < u && u < next) {
      if (copies <= 1) {
        if (last_clears)
          for (std::size_t j : held) freq[j] = 0.0f;
      } else {
        double const m = static_cast<double>(copies);
        freq[i] = static_cast<float>(((static_cast<double>(freq[i]) - 1.0 / m) * m) / (m - 1.0));
        float const fm = static_cast<float>(copies);
        float const fm1 = static_cast<float>(copies - 1);
        for (std::size_t j : held) {
          if (j != i) freq[j] = (fm * freq[j]) / fm1;
        }
      }
      return static_cast<int>(i);
    }
    sum = next;
  }
  return 0;
}

void Tpop::quick_count_allele_freq(ind_vector_type list, std::ofstream* out,
                                   std::vector<double>* counts, Tsettings* settings) {
  std::vector<Tgeno*>* inds = list_of(list);
  std::size_t const n_inds = inds != nullptr ? inds->size() : 0;
  if (counts != nullptr && inds != nullptr) {
    for (const Tgeno* g : *inds) {
      if (g == nullptr) continue;
      add_copy(*counts, g->_allele1);
      add_copy(*counts, g->_allele2);
    }
  }
  if (settings == nullptr || settings->_intermediate_output == 0 || _freq_mode ||
      out == nullptr) {
    return;
  }
  double const copies = 2.0 * static_cast<double>(n_inds);
  if (counts != nullptr) {
    for (double c : *counts) {
      if (copies > 0.0) {
        *out << c / copies << "\t";
      } else {
        *out << "0\t";
      }
    }
  }
  *out << std::endl;
}

void Tpop::quick_count_sample_freqs(std::ofstream* out, std::vector<double>* counts,
                                    unsigned int const& n) {
  long long c = static_cast<long long>(n);
  if (!_freq_mode) {
    std::size_t const held = _current != nullptr ? _current->size() : 0;
    if (static_cast<std::size_t>(n) > held) {
      AOS << "WARNING: Only " << held << " individuals in one sample!" << std::endl;
      c = static_cast<long long>(held);
    }
    if (counts != nullptr) {
      for (long long i = 0; i < c; ++i) {
        const Tgeno* g = (*_current)[static_cast<std::size_t>(i)];
        if (g == nullptr) continue;
        add_copy(*counts, g->_allele1);
        add_copy(*counts, g->_allele2);
      }
    }
  } else {
    // Copies in the deme, taken before the sample size is limited.
    double const two_n = 2.0 * _size;
    long long copies = (two_n >= 1.0 && two_n < 9.0e18) ? static_cast<long long>(two_n) : 0;
    if (static_cast<double>(n) > _size) {
      AOS << "WARNING: Only " << _size << " individuals in one sample!" << std::endl;
      c = (_size >= 1.0 && _size < 4.0e18) ? static_cast<long long>(_size) : 0;
    }
    // Never more individuals than the copies can serve (a NaN or huge size
    // gives no copies at all).
    if (c > copies / 2) c = copies / 2;
    std::vector<std::size_t> held;
    model_detail::alleles_held(_freq, held);
    for (long long i = 0; i < c; ++i) {
      // A sample that takes the deme's last copy leaves it without any.
      int const a1 = model_detail::take_copy(_freq, held, copies, true);
      int const a2 = model_detail::take_copy(_freq, held, copies - 1, true);
      copies -= 2;
      if (counts != nullptr) {
        if (static_cast<std::size_t>(a1) < counts->size()) (*counts)[a1] += 1.0;
        if (static_cast<std::size_t>(a2) < counts->size()) (*counts)[a2] += 1.0;
      }
    }
  }
  // The divisor stays the requested size, so a short sample sums below 1.
  if (out == nullptr || counts == nullptr || n == 0) return;
  double const divisor = 2.0 * static_cast<double>(n);
  for (std::size_t k = 0; k < counts->size(); ++k) {
    if ((*counts)[k] > 0.0) {
      *out << "a" << (k + 1) << "\t" << (*counts)[k] / divisor << std::endl;
    }
  }
}

void Tpop::count_allele_freq(ind_vector_type list, std::vector<double>* counts, double& het,
                             double& total) {
  std::vector<Tgeno*>* inds = list_of(list);
  if (inds == nullptr) {
    total = 0.0;
    return;
  }
  for (const Tgeno* g : *inds) {
    if (g == nullptr) continue;
    if (counts != nullptr) {
      add_copy(*counts, g->_allele1);
      add_copy(*counts, g->_allele2);
    }
    if (g->_allele1 != nullptr && g->_allele2 != nullptr && g->_allele1->_id != g->_allele2->_id) {
      het += 1.0;
    }
  }
  total = 2.0 * static_cast<double>(inds->size());
}

void Tpop::count_allele0_freq(float& f) {
  f = 0.0f;
  if (_current == nullptr || _current->empty()) return;
  double zeros = 0.0;
  for (const Tgeno* g : *_current) {
    if (g == nullptr) continue;
    if (g->_allele1 != nullptr && g->_allele1->_id == 0) zeros += 1.0;
    if (g->_allele2 != nullptr && g->_allele2->_id == 0) zeros += 1.0;
  }
  f = static_cast<float>(zeros / (2.0 * static_cast<double>(_current->size())));
}

void Tpop::print_ind_vector(ind_vector_type list, std::ofstream* out) {
  std::vector<Tgeno*>* inds = list_of(list);
  if (inds == nullptr || out == nullptr) return;
  std::size_t k = 0;
  for (const Tgeno* g : *inds) {
    ++k;
    *out << "Ind " << k << ":\t";
    if (g != nullptr && g->_allele1 != nullptr) *out << g->_allele1->_id;
    *out << "\t";
    if (g != nullptr && g->_allele2 != nullptr) *out << g->_allele2->_id;
    *out << std::endl;
  }
}
