#include <gtest/gtest.h>

#include <gsl/gsl_randist.h>
#include <gsl/gsl_rng.h>

#include <cmath>
#include <string>
#include <type_traits>

#include "support/globaldef.h"
#include "support/stat_utils.h"
#include "test_util.h"

// The rounding helper must not capture calls meant for the C library.
static_assert(std::is_same<decltype(::round(2.5f)), double>::value, "C round is shadowed");
static_assert(std::is_same<decltype(std::round(2.5f)), float>::value, "std::round is shadowed");
static_assert(std::is_same<decltype(globaldef::round(2.5f)), int>::value, "rounding helper type");

namespace {

// Installs a seeded MT19937 as the run's generator and a twin with the same
// seed for calling GSL directly.
class Generators : public ::testing::Test {
 protected:
  void SetUp() override {
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    twin = gsl_rng_alloc(gsl_rng_mt19937);
    gsl_rng_set(randomnumber, 20240611UL);
    gsl_rng_set(twin, 20240611UL);
  }
  void TearDown() override {
    gsl_rng_free(randomnumber);
    gsl_rng_free(twin);
    randomnumber = nullptr;
  }
  gsl_rng* twin = nullptr;
};

}  // namespace

TEST_F(Generators, DrawsMatchGslCalledDirectly) {
  for (int i = 0; i < 200; ++i) {
    const int n = 1 + i * 37;
    EXPECT_EQ(getint(n), static_cast<int>(gsl_rng_uniform_int(twin, static_cast<unsigned long>(n))));
    EXPECT_EQ(getfloat(), gsl_rng_uniform(twin));
    EXPECT_EQ(getnormal(), gsl_ran_gaussian(twin, 1.0));
    const float p = 0.3f + 0.001f * static_cast<float>(i);
    EXPECT_EQ(getbinomial(p, i), static_cast<int>(gsl_ran_binomial(twin, static_cast<double>(p), static_cast<unsigned>(i))));
  }
}

TEST_F(Generators, RangesAndTheSingleValueCase) {
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(getint(1), 0);
    const int v = getint(7);
    EXPECT_GE(v, 0);
    EXPECT_LT(v, 7);
    const double u = getfloat();
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
    const int b = getbinomial(0.5f, 12);
    EXPECT_GE(b, 0);
    EXPECT_LE(b, 12);
  }
  EXPECT_EQ(getbinomial(0.0f, 50), 0);
  EXPECT_EQ(getbinomial(1.0f, 50), 50);
  EXPECT_EQ(getbinomial(0.5f, 0), 0);
}

TEST(ClockSeed, MinusMicrosecondsAndWhatGslMakesOfIt) {
  for (int i = 0; i < 100; ++i) {
    const long seed = get_randomSeedFromCurrentTime();
    EXPECT_LE(seed, 0);
    EXPECT_GE(seed, -999999);
  }
  // The driver hands the signed seed to gsl_rng_set as it is.
  gsl_rng* a = gsl_rng_alloc(gsl_rng_mt19937);
  gsl_rng* b = gsl_rng_alloc(gsl_rng_mt19937);
  const long seed = -250000;
  gsl_rng_set(a, static_cast<unsigned long>(seed));
  gsl_rng_set(b, 4294967296UL - 250000UL);
  EXPECT_EQ(gsl_rng_get(a), gsl_rng_get(b));
  gsl_rng_set(a, 0UL);
  gsl_rng_set(b, 4357UL);
  EXPECT_EQ(gsl_rng_get(a), gsl_rng_get(b));
  gsl_rng_free(a);
  gsl_rng_free(b);
}

TEST(Rounding, HalvesGoUp) {
  EXPECT_EQ(globaldef::round(2.5f), 3);
  EXPECT_EQ(globaldef::round(-2.5f), -2);
  EXPECT_EQ(globaldef::round(-0.4f), 0);
  EXPECT_EQ(globaldef::round(0.49999997f), 0);
  EXPECT_EQ(globaldef::round(7.0f), 7);
  EXPECT_EQ(::round(-2.5), -3.0);  // the C library's round stays reachable
}

TEST(LogStream, IsOpenBeforeMainAndCanBeCaptured) {
  testutil::LogCapture log;
  AOS << "line " << 1.5f << std::endl;
  EXPECT_EQ(log.text(), "line 1.5\n");
}

namespace {
// Values of the subtractive generator (table values, before the 1e-9 factor)
// worked out from its definition, independently of the code under test.
const long kSeedMinus1[5] = {298227348, 715119168, 33021107, 874393600, 534194424};
const long kSeedMinus232[5] = {852335386, 292613483, 5877906, 770369083, 780829230};
const long kSeedMinusMseed[5] = {613610054, 771029073, 127708320, 332307521, 293628346};
}  // namespace

TEST(Ran3, ValuesFromItsDefinition) {
  long idum = -1;
  for (long expected : kSeedMinus1) EXPECT_DOUBLE_EQ(ran3(&idum), expected * 1e-9);
  EXPECT_EQ(idum, 1);
  idum = -232;
  for (long expected : kSeedMinus232) EXPECT_DOUBLE_EQ(ran3(&idum), expected * 1e-9);
  idum = -161803398;  // the largest seed: the starting value is 0
  for (long expected : kSeedMinusMseed) EXPECT_DOUBLE_EQ(ran3(&idum), expected * 1e-9);
  // A positive value after seeding continues the sequence.
  idum = -1;
  ran3(&idum);
  idum = 77;
  EXPECT_DOUBLE_EQ(ran3(&idum), kSeedMinus1[1] * 1e-9);
}

TEST(Ran3, LagRelationAndRange) {
  // Each value after the 55th is the one 55 draws back minus the one 24
  // draws back, modulo 1e9.
  long idum = -9876;
  std::vector<long> y;
  for (int i = 0; i < 400; ++i) {
    const double v = ran3(&idum);
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    y.push_back(std::lround(v * 1e9));
  }
  for (size_t n = 55; n < y.size(); ++n) {
    long expected = y[n - 55] - y[n - 24];
    if (expected < 0) expected += 1000000000L;
    ASSERT_EQ(y[n], expected) << "draw " << n;
  }
  long extreme = -9223372036854775807L - 1;  // no overflow on the magnitude
  ran3(&extreme);
  EXPECT_EQ(extreme, 1);
}

TEST(Ran3, InitializationPaths) {
  {
    testutil::LogCapture log;
    initialize_ran3(5);
    EXPECT_EQ(log.text(), "Random generator initialized with lidum=-232\n");
    long idum = 1;
    EXPECT_DOUBLE_EQ(ran3(&idum), kSeedMinus232[1] * 1e-9);  // seeding took the first value
  }
  {
    testutil::LogCapture log;
    initialize_ran3(-1);
    EXPECT_EQ(log.text(), "Random generator initialized with seed= -1\n");
    long idum = 1;
    EXPECT_DOUBLE_EQ(ran3(&idum), kSeedMinus1[1] * 1e-9);
  }
  {
    testutil::LogCapture log;
    ::testing::internal::CaptureStdout();
    initialize_ran3(-161803399);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "initialize_ran3(const int seed)\n"
              "Given seed was too big, so Random generator initialized with seed=-232\n");
    EXPECT_EQ(log.text(), "");
    long idum = 1;
    EXPECT_DOUBLE_EQ(ran3(&idum), kSeedMinus232[1] * 1e-9);
  }
}

TEST(Ran3, SetSeedAndMyRand) {
  EXPECT_EQ(my_rand(), 232);
  SetSeed(1000);
  EXPECT_EQ(w_rndu, 1000);
  EXPECT_EQ(z_rndu, 170 * (1000 % 178) + 137);
  SetSeed(-200);  // the remainder keeps the sign of the seed
  EXPECT_EQ(w_rndu, -200);
  EXPECT_EQ(z_rndu, 170 * -22 + 137);
}
