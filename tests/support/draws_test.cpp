#include <gtest/gtest.h>

#include <gsl/gsl_errno.h>
#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <cstdint>

#include "support/globaldef.h"

// The run's block generator against GSL's own MT19937 as the reference.
namespace {

long const DRAWS_PER_SEED = 2000000;  // 10^7 over the five seeds

// Ranges drawn from a small LCG of the test's own, so that the reference
// stream is never touched by the choice: each range is kept for a run of
// calls (the cached divisor) or changed at every call.
struct Ranges {
  std::uint64_t x = 88172645463325252ULL;
  std::uint32_t bits() { return static_cast<std::uint32_t>((x = x * 6364136223846793005ULL + 1442695040888963407ULL) >> 33); }
  int pick() {
    static int const fixed[] = {1, 2, 3, 7, 2000, 65537, 1 << 30, (1 << 30) + 1, 2147483647};
    std::uint32_t const b = bits();
    if (b % 3 == 0) return fixed[b / 3 % 9];
    return 1 + static_cast<int>(bits() >> (b % 31));  // every magnitude up to 2^31 - 1
  }
};

struct Pair {
  gsl_rng* ref;
  explicit Pair(unsigned long seed, gsl_rng_type const* type = &mtblock::kind) {
    randomnumber = gsl_rng_alloc(type);
    ref = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, seed);
    gsl_rng_set(ref, seed);
  }
  ~Pair() {
    gsl_rng_free(randomnumber);
    gsl_rng_free(ref);
    randomnumber = nullptr;
  }
};

}  // namespace

TEST(BlockGenerator, DrawsAreGslMt19937ForEverySeedAndRange) {
  unsigned long const seeds[] = {0UL, 4294967295UL, static_cast<unsigned long>(-250000L),
                                 static_cast<unsigned long>(-999999L), 4294967296UL};
  Ranges ranges;
  for (unsigned long seed : seeds) {
    Pair p(seed);
    long mismatches = 0;
    int n = 1, left = 0;
    for (long i = 0; i < DRAWS_PER_SEED; ++i) {
      if (left-- <= 0) {
        n = ranges.pick();
        left = static_cast<int>(ranges.bits() % 64);
      }
      if (ranges.bits() % 4 == 0) {
        mismatches += getfloat() != gsl_rng_uniform(p.ref);
      } else {
        mismatches += getint(n) != static_cast<int>(gsl_rng_uniform_int(p.ref, static_cast<unsigned long>(n)));
      }
    }
    EXPECT_EQ(mismatches, 0) << "seed " << seed;
  }
}

TEST(BlockGenerator, GslCallsCloneAndReseedShareTheStream) {
  Pair p(20240611UL);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(p.ref));
    ASSERT_EQ(gsl_rng_uniform_int(randomnumber, 3000000000UL), gsl_rng_uniform_int(p.ref, 3000000000UL));
    ASSERT_EQ(getnormal(), gsl_ran_gaussian(p.ref, 1.0));
    ASSERT_EQ(getbinomial(0.3f, i % 50), static_cast<int>(gsl_ran_binomial(p.ref, static_cast<double>(0.3f), i % 50)));
    ASSERT_EQ(getint(1000), static_cast<int>(gsl_rng_uniform_int(p.ref, 1000)));
  }
  gsl_rng* copy = gsl_rng_clone(randomnumber);
  gsl_rng* ref_copy = gsl_rng_clone(p.ref);
  gsl_rng* later = gsl_rng_alloc(&mtblock::kind);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(getint(77), static_cast<int>(gsl_rng_uniform_int(p.ref, 77)));
  ASSERT_EQ(gsl_rng_memcpy(later, randomnumber), GSL_SUCCESS);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(gsl_rng_get(later), gsl_rng_get(p.ref));
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(gsl_rng_uniform(copy), gsl_rng_uniform(ref_copy));
  gsl_rng_free(later);
  gsl_rng_free(copy);
  gsl_rng_free(ref_copy);
  gsl_rng_set(randomnumber, 0UL);  // reseeding in the middle of a block
  gsl_rng_set(p.ref, 4357UL);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(getfloat(), gsl_rng_uniform(p.ref));
}

TEST(BlockGenerator, OtherGeneratorsAndBadRangesGoThroughGsl) {
  for (gsl_rng_type const* type : {gsl_rng_mt19937, gsl_rng_taus2, gsl_rng_ranlxs0}) {
    randomnumber = gsl_rng_alloc(type);
    gsl_rng* ref = gsl_rng_alloc(type);
    for (int i = 1; i < 2000; ++i) {
      ASSERT_EQ(getint(i), static_cast<int>(gsl_rng_uniform_int(ref, static_cast<unsigned long>(i))));
      ASSERT_EQ(getfloat(), gsl_rng_uniform(ref));
    }
    gsl_rng_free(ref);
    gsl_rng_free(randomnumber);
  }
  // With GSL's handler switched off its error value shows that n < 1 reached
  // it, and the stream is not advanced.
  Pair p(5UL);
  gsl_error_handler_t* previous = gsl_set_error_handler_off();
  EXPECT_EQ(getint(0), 0);
  EXPECT_EQ(getint(-1), 0);
  EXPECT_EQ(getint(-2147483647 - 1), 0);
  gsl_set_error_handler(previous);
  EXPECT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(p.ref));
}

// Counting the words below a limit a block at a time consumes the words that
// single draws would, and counts every word for a limit past 32 bits.
TEST(BlockGenerator, CountBelowMatchesWordByWordCounting) {
  Pair p(97UL);
  std::uint64_t const limits[] = {0ULL, 1ULL, 0x80000000ULL, 0xffffffffULL, 0x100000000ULL, 0x300000000ULL};
  std::uint64_t const runs[] = {0, 1, 623, 624, 625, 5000};
  for (std::uint64_t limit : limits) {
    for (std::uint64_t n : runs) {
      std::uint64_t expected = 0;
      for (std::uint64_t i = 0; i < n; ++i) expected += gsl_rng_get(p.ref) < limit;
      EXPECT_EQ(mtblock::count_below(mtblock::state_of(randomnumber), n, limit), expected)
          << "limit " << limit << ", " << n << " words";
      ASSERT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(p.ref));
    }
  }
}

// Skipping a normal deviate consumes exactly the words GSL's draw would, for
// the run's generator and for any other.
TEST(BlockGenerator, SkippedNormalsConsumeTheWordsOfGslDraws) {
  for (unsigned long seed : {1UL, 4294967295UL, static_cast<unsigned long>(-31337L)}) {
    Pair p(seed);
    for (int i = 0; i < 300000; ++i) {
      if (i % 3 == 0) {
        ASSERT_EQ(getnormal(), gsl_ran_gaussian(p.ref, 1.0));
      } else {
        skip_normal();
        gsl_ran_gaussian(p.ref, 1.0);
      }
    }
    ASSERT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(p.ref)) << "seed " << seed;
  }
  Pair other(8UL, gsl_rng_taus2);
  gsl_rng* ref = gsl_rng_alloc(gsl_rng_taus2);
  gsl_rng_set(ref, 8UL);
  skip_normal();
  gsl_ran_gaussian(ref, 1.0);
  EXPECT_EQ(gsl_rng_get(randomnumber), gsl_rng_get(ref));
  gsl_rng_free(ref);
}
