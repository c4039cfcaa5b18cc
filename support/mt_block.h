#ifndef TESSAREL_SUPPORT_MT_BLOCK_H
#define TESSAREL_SUPPORT_MT_BLOCK_H

#include <cstdint>

#include <gsl/gsl_rng.h>

// MT19937 seeded as GSL seeds it (a seed of 0 becomes 4357, the low 32 bits
// are kept), with the state advanced and tempered 624 words at a time: a draw
// is then a load and an index step instead of a call through GSL with a
// branch on a random bit. Registered as a GSL generator type, so every GSL
// call made on it (gsl_rng_get, gsl_rng_uniform, gsl_ran_*, clone, memcpy)
// yields exactly the numbers of gsl_rng_mt19937 seeded the same way.
namespace mtblock {

int const N = 624;

// Plain data: GSL copies it with memcpy when it clones a generator.
struct State {
  std::uint32_t next;        // index in out of the next word to hand out
  std::uint32_t div_n;       // range of the cached divisor, 0 when none
  std::uint32_t div_limit;   // div_n * scale: words at or above it are redrawn
  std::uint64_t div_magic;   // ceil(2^64 / scale) for the division by scale
  std::uint32_t out[N];      // tempered words of the current block
  std::uint32_t mt[N];       // the generator state proper
};

// The generator type; allocate with gsl_rng_alloc(&mtblock::kind).
extern gsl_rng_type const kind;

// Advances the state by one block and tempers it into out.
void refill(State* s);
// Caches scale = 0xffffffff / n, its redraw limit and its reciprocal;
// 1 <= n < 2^31.
void set_divisor(State* s, std::uint32_t n);

inline State* state_of(gsl_rng const* r) { return static_cast<State*>(r->state); }

inline std::uint32_t next_word(State* s) {
  if (s->next >= static_cast<std::uint32_t>(N)) refill(s);
  return s->out[s->next++];
}

// floor(x / scale) for every 32-bit x: the high word of x * ceil(2^64 / scale)
// is exact as long as the multiplier has 32 bits more than the dividend.
inline std::uint32_t quotient(std::uint32_t x, std::uint64_t magic) {
#if defined(__SIZEOF_INT128__)
  __extension__ typedef unsigned __int128 wide;
  return static_cast<std::uint32_t>((static_cast<wide>(magic) * x) >> 64);
#else
  std::uint64_t const lo = (magic & 0xffffffffU) * x;
  std::uint64_t const hi = (magic >> 32) * x;
  return static_cast<std::uint32_t>((hi + (lo >> 32)) >> 32);
#endif
}

// gsl_rng_uniform_int(r, n) for 1 <= n < 2^31 (any positive int): the word
// divided by 0xffffffff / n, drawn again while the quotient is n or more.
inline std::uint32_t uniform_int(State* s, std::uint32_t n) {
  if (n != s->div_n) set_divisor(s, n);
  for (;;) {
    std::uint32_t const x = next_word(s);
    if (x < s->div_limit) return quotient(x, s->div_magic);
  }
}

// How many of the next n words lie below limit: the words n calls of
// next_word would hand out, counted a block at a time.
std::uint64_t count_below(State* s, std::uint64_t n, std::uint64_t limit);

// gsl_rng_uniform(r): the word over 2^32 (scaling by a power of two is exact).
inline double uniform(State* s) { return next_word(s) * (1.0 / 4294967296.0); }

}  // namespace mtblock

#endif
