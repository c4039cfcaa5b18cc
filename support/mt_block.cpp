#include "support/mt_block.h"

#include <algorithm>

namespace mtblock {

namespace {

int const M = 397;
std::uint32_t const UPPER = 0x80000000U;
std::uint32_t const LOWER = 0x7fffffffU;
std::uint32_t const MATRIX_A = 0x9908b0dfU;

// One step of the recurrence; the odd-bit term is a mask, not a branch, so
// that the loops below run without mispredictions and can be vectorised.
inline std::uint32_t twist(std::uint32_t a, std::uint32_t b, std::uint32_t far) {
  std::uint32_t const y = (a & UPPER) | (b & LOWER);
  return far ^ (y >> 1) ^ ((0U - (y & 1U)) & MATRIX_A);
}

void set(void* vstate, unsigned long seed) {
  State* s = static_cast<State*>(vstate);
  if (seed == 0) seed = 4357;
  s->mt[0] = static_cast<std::uint32_t>(seed & 0xffffffffUL);
  for (int i = 1; i < N; ++i) {
    std::uint32_t const prev = s->mt[i - 1];
    s->mt[i] = 1812433253U * (prev ^ (prev >> 30)) + static_cast<std::uint32_t>(i);
  }
  s->next = N;  // the first draw refills the block
  s->div_n = 0;  // no divisor cached: the state comes from malloc
}

unsigned long get(void* vstate) { return next_word(static_cast<State*>(vstate)); }

double get_double(void* vstate) { return uniform(static_cast<State*>(vstate)); }

}  // namespace

void refill(State* s) {
  std::uint32_t* const mt = s->mt;
  int k = 0;
  for (; k < N - M; ++k) mt[k] = twist(mt[k], mt[k + 1], mt[k + M]);
  for (; k < N - 1; ++k) mt[k] = twist(mt[k], mt[k + 1], mt[k + M - N]);
  mt[N - 1] = twist(mt[N - 1], mt[0], mt[M - 1]);

  std::uint32_t* const out = s->out;
  for (int i = 0; i < N; ++i) {
    std::uint32_t y = mt[i];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680U;
    y ^= (y << 15) & 0xefc60000U;
    y ^= y >> 18;
    out[i] = y;
  }
  s->next = 0;
}

std::uint64_t count_below(State* s, std::uint64_t n, std::uint64_t limit) {
  std::uint64_t hits = 0;
  // A limit beyond every word counts them all; below it the comparison fits
  // in 32 bits, which vectorises where a 64-bit one does not.
  bool const all = limit > 0xffffffffULL;
  std::uint32_t const below = all ? 0U : static_cast<std::uint32_t>(limit);
  while (n > 0) {
    if (s->next >= static_cast<std::uint32_t>(N)) refill(s);
    std::uint32_t const left = static_cast<std::uint32_t>(N) - s->next;
    std::uint32_t const take = static_cast<std::uint32_t>(std::min<std::uint64_t>(n, left));
    std::uint32_t const* const w = s->out + s->next;
    std::uint32_t in_block = take;
    if (!all) {
      in_block = 0;
      for (std::uint32_t i = 0; i < take; ++i) in_block += w[i] < below ? 1U : 0U;
    }
    hits += in_block;
    s->next += take;
    n -= take;
  }
  return hits;
}

void set_divisor(State* s, std::uint32_t n) {
  std::uint32_t const scale = 0xffffffffU / n;
  s->div_n = n;
  s->div_limit = n * scale;
  // n < 2^31 makes scale at least 2, so that the reciprocal fits in 64 bits.
  s->div_magic = UINT64_MAX / scale + 1;
}

gsl_rng_type const kind = {"mt19937 (blocks)", 0xffffffffUL, 0, sizeof(State), &set, &get, &get_double};

}  // namespace mtblock
