// Emigrant numbers of a deme and the exchange of migrants between demes.

#include <climits>
#include <cmath>
#include <vector>

#include "model/model_detail.h"
#include "model/population.h"
#include "support/globaldef.h"

namespace {

// Scratch for the copies left and the copies sent by the small path of
// migratefreq; reused from call to call.
std::vector<int>& copies_buffer() {
  static std::vector<int> buffer;
  return buffer;
}

std::vector<int>& sent_buffer() {
  static std::vector<int> buffer;
  return buffer;
}

std::vector<float>& share_buffer() {
  static std::vector<float> buffer;
  return buffer;
}

std::vector<char>& hittable_buffer() {
  static std::vector<char> buffer;
  return buffer;
}

std::vector<std::size_t>& held_buffer() {
  static std::vector<std::size_t> buffer;
  return buffer;
}

// True when a draw u = float(k / 2^32) with k >= 1 can fall in (lo, hi].
// Every float from 2^-9 up to 1 is such a draw (1 by rounding); below 2^-9 the
// draws are exactly the multiples of 2^-32. A value only u = 0 reaches (one
// chance in 2^32) counts as out of reach, or the draws could go on for hours.
bool reachable_by_a_draw(float lo, float hi) {
  if (!(hi > lo) || !(lo < 1.0f)) return false;
  double const top = hi < 1.0f ? static_cast<double>(hi) : 1.0;
  if (top >= 1.0 / 512.0) return true;
  double const step = 1.0 / 4294967296.0;
  double const k = std::floor(top / step);
  return k >= 1.0 && k * step > static_cast<double>(lo);
}

void add_copy(std::vector<int>& counts, Tallele const* a) {
  if (a == nullptr || a->_id < 0) return;
  std::size_t const i = static_cast<std::size_t>(a->_id);
  if (i < counts.size() && counts[i] < INT_MAX) counts[i] += 1;
}

}  // namespace

void Tpop::count_emigrants(int& e0, int& e1, int& e2, int& e3, bool const& /*modified_routes*/) {
  int e[4] = {0, 0, 0, 0};
  int nb = _n_nbr;
  for (int k = 0; k < 4; ++k) {
    if (_kzero[k]) --nb;
  }
  // Without an open link there is nobody to share the emigrants with.
  if (nb > 0 && _next_size > static_cast<double>(nb)) {
    for (int k = 0; k < 4; ++k) {
      if (_nbr[k] == -1 || _kzero[k]) continue;
      float const rate = _mig_factor[k] >= 0.0f ? _mig_factor[k] * _m : _m;
      double const x = static_cast<double>(rate) * _next_size / static_cast<double>(nb) +
                       static_cast<double>(_emig_rest[k]);
      if (!std::isfinite(x)) continue;
      e[k] = trunc_to_int(std::floor(x));
      _emig_rest[k] = static_cast<float>(std::fmod(x, 1.0));
    }
  }
  double const total = static_cast<double>(static_cast<long long>(e[0]) + e[1] + e[2] + e[3]);
  if (total > _next_size) {
    AOS << "WARNING: POP " << (_id + 1)
        << ", Number of emigrant is larger than the deme size: reset migration!" << std::endl;
    e[0] = e[1] = e[2] = e[3] = 0;
  }
  e0 = e[0];
  e1 = e[1];
  e2 = e[2];
  e3 = e[3];
}

void Tpop::migrateind(int const& n, Tpop* receiver) {
  if (receiver == nullptr || _next == nullptr || n <= 0) return;
  std::vector<Tgeno*>& next = *_next;
  // Never more than the list holds, so that the receiver's count of
  // immigrants matches what it gets.
  int const moves = static_cast<std::size_t>(n) < next.size() ? n : static_cast<int>(next.size());
  bool const to_freq = receiver->_freq_mode;
  if (to_freq) receiver->_n_immigrants += moves;
  for (int i = 0; i < moves; ++i) {
    Tgeno* g = next.back();
    next.pop_back();
    receiver->_immigrants.push_back(g);
    if (to_freq) {
      add_copy(receiver->_imm_alleles, g->_allele1);
      add_copy(receiver->_imm_alleles, g->_allele2);
    }
  }
}

void Tpop::migratefreq(int const& n, Tpop* receiver, int const& threshold) {
  // Nobody to send: neither deme changes (not even by the rounding of the
  // copy counts below).
  if (receiver == nullptr || n <= 0) return;
  double const N = _size;
  double const next_size = _next_size;
  std::size_t const n_alleles = _freq.size();
  bool const to_freq = receiver->_freq_mode;

  if (static_cast<double>(n) > next_size) {
    AOS << "ERROR: The number of emigrants exceed the deme size: (migrants= " << n
        << "), _next_size= " << next_size << std::endl;
  }

  // An allele of frequency 0 sends no copy and keeps its 0 on either path,
  // and adds nothing to a sum: past the draws, the work walks only the
  // alleles the deme holds, not the whole table.
  std::vector<std::size_t>& held = held_buffer();
  model_detail::alleles_held(_freq, held);

  if (to_freq && n > threshold) {
    // Many migrants: their allele frequencies by a normal approximation.
    // Every allele of the table has its draw, held or not; the draws of
    // the others are only skipped.
    std::vector<float>& q = share_buffer();
    q.resize(n_alleles);
    float S = 0.0f;
    for (std::size_t i = 0; i < n_alleles; ++i) {
      if (_freq[i] == 0.0f) {
        skip_normal();
        continue;
      }
      double const z = getnormal();
      double const p = static_cast<double>(_freq[i]);
      double var = 2.0 * ((1.0 - p) * p * N);
      if (!(var > 0.0)) var = 0.0;
      float qi = N > 0.0 ? static_cast<float>((std::sqrt(var) * z + 2.0 * p * N) / (2.0 * N))
                         : static_cast<float>(p);
      if (!(qi >= 0.0f)) qi = 0.0f;  // no negative share of migrants
      q[i] = qi;
      S += qi;
    }
    for (std::size_t i : held) q[i] = S > 0.0f ? q[i] / S : 0.0f;

    float const fn = static_cast<float>(n);
    float const left_divisor = static_cast<float>(2.0 * next_size - 2.0 * static_cast<double>(n));
    for (std::size_t i : held) {
      if (i < receiver->_imm_alleles.size()) {
        float const got = static_cast<float>(receiver->_imm_alleles[i]) + 2.0f * (fn * q[i]);
        int received = trunc_to_int(static_cast<double>(got));
        if (received < 0) received = 0;
        receiver->_imm_alleles[i] = received;
      }
      double f = 0.0;
      if (left_divisor > 0.0f) {
        f = (2.0 * static_cast<double>(_freq[i]) * next_size -
             static_cast<double>(2.0f * (q[i] * fn))) /
            static_cast<double>(left_divisor);
      }
      _freq[i] = static_cast<float>(f);
      float const migrating = 2.0f * (fn * q[i]);
      double const left = 2.0 * next_size * static_cast<double>(_freq[i]);
      // With no copy left at all (the whole deme leaves) there is nothing
      // to compare with.
      if (left_divisor > 0.0f && static_cast<double>(migrating) > left) {
        AOS << "WARNING: Number of migrating alleles is larger than number of alleles in the deme, "
               "(Migrants= "
            << migrating << ", alleles in the deme= " << left << std::endl;
      }
      if (!(_freq[i] >= 0.0f)) _freq[i] = 0.0f;
    }
  } else {
    // Few migrants: their copies one by one, without replacement.
    std::vector<int>& copies = copies_buffer();
    std::vector<int>& sent = sent_buffer();
    std::vector<char>& hittable = hittable_buffer();
    copies.assign(n_alleles, 0);
    sent.assign(n_alleles, 0);
    hittable.assign(n_alleles, 0);
    long long total = 0;
    // Copies that a draw can reach: an allele whose interval holds no
    // possible draw can never leave, so it must not keep the draws going.
    long long reachable = 0;
    float lo = 0.0f;
    for (std::size_t i : held) {
      float const f = _freq[i];
      copies[i] = trunc_to_int(std::round(static_cast<double>(f + f) * next_size));
      total += copies[i];
      float const hi = lo + f;
      hittable[i] = reachable_by_a_draw(lo, hi) ? 1 : 0;
      if (hittable[i] && copies[i] > 0) reachable += copies[i];
      lo = hi;
    }

    long long const wanted = 2LL * static_cast<long long>(n);
    long long counted = 0;
    int a1 = -1;
    int a2 = -1;
    int pos = 0;
    bool exhausted = false;
    while (counted < wanted) {
      if (reachable <= 0) {
        exhausted = true;
        break;
      }
      float const u = static_cast<float>(getfloat());
      ++pos;
      int hit = -1;
      float sum = 0.0f;
      for (std::size_t i : held) {
        float const after = sum + _freq[i];
        if (sum < u && u <= after) {
          hit = static_cast<int>(i);
          break;
        }
        sum = after;
      }
      if (hit >= 0) {
        if (copies[static_cast<std::size_t>(hit)] <= 0) {
          --pos;  // no copy left there: the draw does not count
          continue;
        }
        ++sent[static_cast<std::size_t>(hit)];
        --copies[static_cast<std::size_t>(hit)];
        if (hittable[static_cast<std::size_t>(hit)]) --reachable;
        if (pos == 1)
          a1 = hit;
        else
          a2 = hit;
      }
      ++counted;
      if (pos >= 2) {
        if (!to_freq) {
          if (a1 == -1 || a2 == -1) {
            AOS << "ERROR - Tpop::migratefreq: wrong allele number !" << std::endl;
          } else {
            receiver->_immigrants.push_back(new Tgeno(a1, a2));
          }
        }
        a1 = a2 = -1;
        pos = 0;
      }
    }

    long long const left = total - wanted;
    for (std::size_t i : held) {
      float f = 0.0f;
      // A deme that has given away every copy has no frequencies left.
      if (!exhausted && left > 0) f = static_cast<float>(copies[i]) / static_cast<float>(left);
      _freq[i] = f >= 0.0f ? f : 0.0f;
    }
    if (to_freq) {
      for (std::size_t i : held) {
        if (i < receiver->_imm_alleles.size())
          receiver->_imm_alleles[i] = trunc_to_int(static_cast<double>(receiver->_imm_alleles[i]) + sent[i]);
      }
    }
  }

  double remaining = next_size - static_cast<double>(n);
  if (remaining < 0.0) remaining = 0.0;  // a deme cannot hold fewer than no individuals
  _next_size = remaining;
  if (to_freq) receiver->_n_immigrants += n;
}

void Tpop::Update_migrations() {
  if (!_freq_mode) {
    if (_next != nullptr) {
      _next->insert(_next->end(), _immigrants.begin(), _immigrants.end());
    } else {
      for (Tgeno* g : _immigrants) delete g;
    }
    _immigrants.clear();
    return;
  }

  double const next_size = _next_size;
  double const divisor = 2.0 * next_size + static_cast<double>(2LL * _n_immigrants);
  for (std::size_t i = 0; i < _freq.size(); ++i) {
    double const received = i < _imm_alleles.size() ? static_cast<double>(_imm_alleles[i]) : 0.0;
    // An emptied deme that received nobody has no copies: its frequencies are 0.
    _freq[i] = divisor > 0.0
                   ? static_cast<float>((2.0 * next_size * static_cast<double>(_freq[i]) + received) /
                                        divisor)
                   : 0.0f;
  }
  for (int& c : _imm_alleles) c = 0;
  _next_size = static_cast<double>(_n_immigrants) + next_size;
  for (Tgeno* g : _immigrants) delete g;
  _immigrants.clear();
}
