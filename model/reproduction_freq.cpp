// One generation of a deme that is followed by its allele frequencies only,
// and the per-simulation selection coefficient of a deme.

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <vector>

#include "model/model_detail.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace {

enum FreqModel { SYM_OVER = 0, ASYM_OVER = 1, RARE_ALLELE = 2, DOMINANCE = 3 };

// Normal approximation of the drift of one allele: the frequency after
// sampling 2N gene copies. A frequency outside [0, 1] (possible after
// migration) would make the variance negative; it then counts as 0, so the
// square root never yields NaN.
float normal_drift(double p, double N, double z) {
  double var = 2.0 * ((1.0 - p) * p) * N;
  if (!(var > 0.0)) var = 0.0;
  return static_cast<float>((std::sqrt(var) * z + 2.0 * p * N) / (2.0 * N));
}

// Binomial drift of an allele with few expected copies c: trunc(N') trials,
// the result scaled by 2N.
float binomial_drift(int c, double N, double next_size) {
  float prob = static_cast<float>(static_cast<double>(c) / (2.0 * N));
  if (prob > 1.0f) prob = 1.0f;
  if (!(prob >= 0.0f)) prob = 0.0f;
  int trials = trunc_to_int(std::trunc(next_size));
  if (trials < 0) trials = 0;
  int const x = getbinomial(prob, trials);
  float v = static_cast<float>(x) / static_cast<float>(2.0 * N);
  if (v < 0.0f) v = 0.0f;
  return v;
}

// Scratch for the summed offspring shares; kept between calls so that a
// generation allocates nothing once the allele table stops growing.
std::vector<float>& share_buffer() {
  static std::vector<float> buffer;
  return buffer;
}

// Numbers of the alleles of non-zero frequency, and of those with a copy in
// either gamete pool, in number order.
std::vector<std::size_t>& held_buffer() {
  static std::vector<std::size_t> buffer;
  return buffer;
}

std::vector<std::size_t>& present_buffer() {
  static std::vector<std::size_t> buffer;
  return buffer;
}

std::vector<double>& count_buffer() {
  static std::vector<double> buffer;
  return buffer;
}

// Writes the frequencies this generation produced, then ends the row.
void write_row(Tpop const& pop, std::ofstream* out, Tsettings* settings) {
  if (out == nullptr) return;
  if (settings != nullptr && settings->_intermediate_output != 0) {
    for (float f : pop._freq) *out << static_cast<double>(f) << "\t";
  }
  *out << std::endl;
}

// The first generation in frequency mode takes its frequencies from the
// individuals the deme still holds; the individuals stay where they are.
void build_freq_from_individuals(Tpop& pop, std::ofstream* out, std::vector<Tallele*>* alleles,
                                 Tsettings* settings) {
  std::size_t const n_table = alleles != nullptr ? alleles->size() : pop._freq.size();
  std::vector<double>& counts = count_buffer();
  counts.assign(n_table, 0.0);
  pop.quick_count_allele_freq(IND_CURRENT, out, &counts, settings);
  std::size_t const len = pop._current != nullptr ? pop._current->size() : 0;
  double const copies = 2.0 * static_cast<double>(len);
  for (std::size_t i = 0; i < pop._freq.size(); ++i) {
    double const c = i < counts.size() ? counts[i] : 0.0;
    // An empty list has no copies: every frequency is 0 rather than 0/0.
    pop._freq[i] = copies > 0.0 ? static_cast<float>(c / copies) : 0.0f;
  }
  pop._freq_ready = true;
}

void freq_generation(Tpop& pop, std::ofstream* out, std::vector<Tallele*>* alleles,
                     Tsettings* settings, FreqModel model) {
  if (pop._freq_mode && !pop._freq_ready) build_freq_from_individuals(pop, out, alleles, settings);

  std::size_t const n = pop._freq.size();
  pop._gam1.resize(std::max(pop._gam1.size(), n), 0.0f);
  if (model != RARE_ALLELE) pop._gam2.resize(std::max(pop._gam2.size(), n), 0.0f);

  double const N = pop._size;
  double const next_size = pop._next_size;
  float const s = pop._s;
  std::vector<float>& b = pop._gam1;
  std::vector<float>& d = pop._gam2;

  // Drift: two gamete pools (one in the rare-allele model). An allele of
  // frequency 0 has no copy to draw and stays at 0 in both.
  std::vector<std::size_t>& held = held_buffer();
  model_detail::alleles_held(pop._freq, held);
  std::fill_n(b.begin(), n, 0.0f);
  if (model != RARE_ALLELE) std::fill_n(d.begin(), n, 0.0f);
  std::vector<std::size_t>& present = present_buffer();
  present.clear();
  float sum1 = 0.0f;
  float sum2 = 0.0f;
  for (std::size_t i : held) {
    double const p = static_cast<double>(pop._freq[i]);
    int const c = trunc_to_int(2.0 * (p * N));
    float bi = 0.0f;
    float di = 0.0f;
    if (c >= 6) {
      double const z = getnormal();
      bi = normal_drift(p, N, z);
      if (!(bi >= 0.0f)) bi = 0.0f;  // a negative share is no copy at all
      di = bi;
    } else if (c >= 1) {
      bi = binomial_drift(c, N, next_size);
      if (model != RARE_ALLELE) di = binomial_drift(c, N, next_size);
    }
    // An allele without a draw has no copy, and selection leaves it at 0.
    if (model == RARE_ALLELE) {
      bi = (1.0f - s * bi) * bi;
      if (!(bi >= 0.0f)) bi = 0.0f;  // a negative fitness leaves no copy
    }
    b[i] = bi;
    sum1 += bi;
    if (model != RARE_ALLELE) {
      d[i] = di;
      sum2 += di;
    }
    if (bi != 0.0f || di != 0.0f) present.push_back(i);
  }

  // Pools without any copy (or an undefined sum) cannot be normalised: the
  // deme keeps its frequencies.
  if (!(sum1 > 0.0f) || (model != RARE_ALLELE && !(sum2 > 0.0f))) {
    write_row(pop, out, settings);
    return;
  }
  // An allele absent from both pools adds exactly 0 to every sum below, in
  // whatever place: the loops visit the alleles present only, so that a
  // table grown long by mutation costs no more than the alleles the deme
  // holds. Not so with a fitness that is not finite (0 times infinity is not
  // 0): then every allele of the table takes part.
  float const hom = 1.0f - s;
  float const het = model == ASYM_OVER ? 1.0f - model_detail::heterozygote_loss(settings) * s : 1.0f;
  if (model != RARE_ALLELE && !(std::isfinite(hom) && std::isfinite(het))) {
    present.resize(n);
    for (std::size_t i = 0; i < n; ++i) present[i] = i;
  }

  for (std::size_t i : present) {
    b[i] = b[i] / sum1;
    if (model != RARE_ALLELE) d[i] = d[i] / sum2;
  }

  std::vector<float>& t = share_buffer();
  t.assign(n, 0.0f);

  if (model == RARE_ALLELE) {
    for (std::size_t i : present) t[i] = b[i];
  } else {
    float W = 0.0f;
    for (std::size_t i : present) {
      for (std::size_t j : present) {
        float w;
        if (model == DOMINANCE)
          w = (i == 0 || j == 0) ? 1.0f : hom;
        else
          w = (i == j) ? hom : het;
        W += b[i] * d[j] * w;
      }
    }
    if (!(W > 0.0f) || !std::isfinite(W)) {
      write_row(pop, out, settings);
      return;
    }

    for (std::size_t i : present) {
      for (std::size_t j : present) {
        if (model == DOMINANCE) {
          if (i == 0 || j == 0) {
            float const x = b[i] * d[j];
            t[i] += (x + x) / W;
          } else {
            t[i] += b[i] * d[j] * hom / W;
            t[i] += b[j] * d[i] * hom / W;
          }
        } else if (i == j) {
          float const x = b[i] * d[i] * hom;
          t[i] += (x + x) / W;
        } else {  // het is 1 under symmetric overdominance
          t[i] += b[i] * d[j] * het / W;
          t[i] += b[j] * d[i] * het / W;
        }
      }
    }
  }

  float T = 0.0f;
  for (std::size_t i : present) {
    t[i] = 0.5f * t[i];
    T += t[i];
  }
  // An allele too rare for a copy in the pools (its frequency not yet 0) is
  // lost now.
  if (T > 0.0f && std::isfinite(T)) {
    std::fill(pop._freq.begin(), pop._freq.end(), 0.0f);
    for (std::size_t i : present) pop._freq[i] = t[i] / T;
  }
  write_row(pop, out, settings);
}

}  // namespace

void Tpop::set_selectioncoef(Tsettings* settings) {
  if (settings == nullptr) return;
  float const A = settings->_selection_rate_north_east;
  float const B = settings->_selection_rate_south_west;
  if (settings->_selection_gradient == 1 || settings->_selection_gradient == 2) {
    bool const by_row = settings->_selection_gradient == 1;
    int const lines = by_row ? settings->_y_coordinate : settings->_x_coordinate;
    int const pos = by_row ? _row : _col;
    // A single row (or column) is both ends of the gradient at once: it takes
    // the northern (eastern) value. (Tested before subtracting, so that no
    // grid size can overflow.)
    if (lines <= 1)
      _s = A;
    else
      _s = ((B - A) * static_cast<float>(pos)) / static_cast<float>(lines - 1) + A;
  } else {
    _s = settings->_selection_rate;
  }
}

void Tpop::newgeneration_symoverfreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                     Tsettings* settings) {
  freq_generation(*this, out, alleles, settings, SYM_OVER);
}

void Tpop::newgeneration_asymoverfreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                      Tsettings* settings) {
  freq_generation(*this, out, alleles, settings, ASYM_OVER);
}

void Tpop::newgeneration_rareallelefreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                        Tsettings* settings) {
  freq_generation(*this, out, alleles, settings, RARE_ALLELE);
}

void Tpop::newgeneration_dominancefreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                       Tsettings* settings) {
  freq_generation(*this, out, alleles, settings, DOMINANCE);
}

float Tpop::freqperturbation(float const& p) {
  double const z = getnormal();
  return normal_drift(static_cast<double>(p), _size, z);
}

float Tpop::indperturbation(int const& c) { return binomial_drift(c, _size, _next_size); }
