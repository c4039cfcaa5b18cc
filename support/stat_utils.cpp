#include "support/stat_utils.h"

#include <sys/time.h>

#include <iostream>

#include "support/globaldef.h"

int w_rndu = 13757;
int z_rndu = 137;

long get_randomSeedFromCurrentTime() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return -static_cast<long>(tv.tv_usec);
}

namespace {
const long MBIG = 1000000000L;
const long MSEED = 161803398L;
const long MZ = 0;
const double FAC = 1.0e-9;
}  // namespace

double ran3(long* idum) {
  static int inext, inextp;
  static long ma[56];
  static int iff = 0;
  long mj, mk;
  int i, ii, k;

  if (*idum < 0 || iff == 0) {
    iff = 1;
    // MSEED - |*idum|, written so that the most negative long cannot overflow.
    mj = *idum < 0 ? MSEED + *idum : MSEED - *idum;
    mj %= MBIG;
    ma[55] = mj;
    mk = 1;
    for (i = 1; i <= 54; i++) {
      ii = (21 * i) % 55;
      ma[ii] = mk;
      mk = mj - mk;
      if (mk < MZ) mk += MBIG;
      mj = ma[ii];
    }
    for (k = 1; k <= 4; k++)
      for (i = 1; i <= 55; i++) {
        ma[i] -= ma[1 + (i + 30) % 55];
        if (ma[i] < MZ) ma[i] += MBIG;
      }
    inext = 0;
    inextp = 31;
    *idum = 1;
  }
  if (++inext == 56) inext = 1;
  if (++inextp == 56) inextp = 1;
  mj = ma[inext] - ma[inextp];
  if (mj < MZ) mj += MBIG;
  ma[inext] = mj;
  return mj * FAC;
}

int my_rand() { return 232; }

void SetSeed(int seed) {
  w_rndu = seed;
  z_rndu = 170 * (seed % 178) + 137;
}

void initialize_ran3(const long& seed) {
  if (seed >= 0) {
    long lidum = -my_rand();
    AOS << "Random generator initialized with lidum=" << lidum << std::endl;
    ran3(&lidum);
  } else if (seed >= -MSEED) {
    long lidum = seed;
    ran3(&lidum);
    AOS << "Random generator initialized with seed= " << seed << std::endl;
  } else {
    std::cout << "initialize_ran3(const int seed)" << std::endl;
    long lidum = -my_rand();
    ran3(&lidum);
    std::cout << "Given seed was too big, so Random generator initialized with seed=" << -my_rand() << std::endl;
  }
}
