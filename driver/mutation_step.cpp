#include "driver/mutation_step.h"

#include <climits>
#include <cstdint>
#include <cmath>
#include <ostream>

#include "driver/grid.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace {

// Appends a new allele to the table. The demes' per-allele arrays are not
// touched here: see Add_mutation.
int append_allele(std::vector<Tallele*>* alleles) {
  int a = static_cast<int>(alleles->size());
  alleles->push_back(new Tallele(a));
  return a;
}

// Allele number a mutation carries. With intermediate output on, the first
// allele without copies is taken again unless a deme whose state lives in
// its frequencies still holds it.
int choose_allele(std::vector<Tpop*>* demes, std::vector<Tallele*>* alleles, const Tsettings* s) {
  if (s->_intermediate_output == 0) return append_allele(alleles);
  int candidate = -1;
  for (std::size_t i = 0; i < alleles->size(); ++i) {
    const Tallele* al = (*alleles)[i];
    if (al != nullptr && static_cast<float>(al->_count) == 0.0f) {
      candidate = static_cast<int>(i);
      break;
    }
  }
  if (candidate < 0) return append_allele(alleles);
  std::size_t c = static_cast<std::size_t>(candidate);
  // Only frequencies that hold a deme's state are summed: a deme that has
  // just entered frequency mode still lives in its individuals (its copies
  // are in the counts), while one just back from it still lives in _freq.
  float held = 0.0f;
  for (const Tpop* d : *demes) {
    if (d != nullptr && state_in_frequencies(d) && c < d->_freq.size()) held += d->_freq[c];
  }
  if (held != 0.0f) return append_allele(alleles);
  return candidate;
}

// Successes among n trials, each drawing u = getfloat() and succeeding when
// hit(u). A run's own generator makes u a 32-bit word over 2^32, and hit is
// true on a prefix of [0, 1): the successes are then the words below one
// limit, counted a block at a time with the same words consumed.
template <class Hit>
std::size_t count_hits(std::size_t n, Hit hit) {
  if (randomnumber->type != &mtblock::kind) {
    std::size_t c = 0;
    for (std::size_t t = 0; t < n; ++t) {
      if (hit(getfloat())) ++c;
    }
    return c;
  }
  std::uint64_t lo = 0;  // every word below lo is a success
  std::uint64_t hi = std::uint64_t(1) << 32;
  while (lo < hi) {
    std::uint64_t const mid = lo + (hi - lo) / 2;
    if (hit(static_cast<double>(mid) * (1.0 / 4294967296.0)))
      lo = mid + 1;
    else
      hi = mid;
  }
  return static_cast<std::size_t>(mtblock::count_below(mtblock::state_of(randomnumber), n, lo));
}

// Number of successful trials of one deme; the draws come in one block.
int count_mutations(const Tpop* d, float rate) {
  std::size_t c = 0;
  if (state_in_frequencies(d)) {
    int n = trunc_to_int(d->_size);
    double rate_d = static_cast<double>(rate);
    if (n > 0) c = count_hits(static_cast<std::size_t>(n), [rate_d](double u) { return rate_d > u; });
  } else {
    std::size_t n = d->_current != nullptr ? d->_current->size() : 0;
    c = count_hits(n, [rate](double u) { return rate > static_cast<float>(u); });
  }
  return static_cast<int>(c);
}

}  // namespace

void Add_mutation(std::vector<Tpop*>* demes, std::vector<Tallele*>* alleles, Tsettings* s) {
  if (demes == nullptr || alleles == nullptr || s == nullptr) return;
  for (std::size_t di = 0; di < demes->size(); ++di) {
    Tpop* d = (*demes)[di];
    if (d == nullptr) continue;
    int k = static_cast<int>(di) + 1;
    // A deme that switched mode in the last generation rebuilds its state only
    // in its next reproduction: its mutations go where the state is now, so
    // that the rebuild carries them over.
    const bool in_frequencies = state_in_frequencies(d);
    int c = count_mutations(d, s->_mutation_rate);
    for (int t = 0; t < c; ++t) {
      int a = choose_allele(demes, alleles, s);
      AOS << "A new mutation a" << a + 1 << " appears in population " << k;
      if (in_frequencies) {
        d->growfreqarrays(alleles->size());
        d->Add_mutation(a);  // completes the log line
        continue;
      }
      int length = static_cast<int>(d->_current->size());
      int ind = getint(length);
      int old = d->Add_mutation(a, ind);
      if (old == a) AOS << "ERROR: New allele is identical to an existing one!" << std::endl;
      (*alleles)[static_cast<std::size_t>(a)]->_count += 1.0;
      if (old >= 0 && static_cast<std::size_t>(old) < alleles->size() &&
          (*alleles)[static_cast<std::size_t>(old)] != nullptr) {
        (*alleles)[static_cast<std::size_t>(old)]->_count -= 1.0;
      }
      double f = 1.0 / static_cast<double>(static_cast<float>(2 * length));
      AOS << " with a frequency equal to " << f << " (former allele = a" << old + 1 << ")"
          << std::endl;
    }
  }
  // Giving every deme a slot per new allele would cost demes x alleles at
  // every step. Only the demes that read their per-allele arrays get them
  // now; the others are grown when they enter frequency mode.
  for (Tpop* d : *demes) {
    if (d != nullptr && reads_allele_arrays(d)) d->growfreqarrays(alleles->size());
  }
}
