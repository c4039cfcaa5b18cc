#ifndef TESSAREL_SUPPORT_STAT_UTILS_H
#define TESSAREL_SUPPORT_STAT_UTILS_H

// Seed for the run's generator: minus the microseconds of the time of day,
// a value in [-999999, 0].
long get_randomSeedFromCurrentTime();

// Second generator family (subtractive generator); not used by the run.
// Reseeds when *idum < 0 or on the first call; returns a double in [0, 1).
double ran3(long* idum);
int my_rand();
void SetSeed(int seed);
void initialize_ran3(const long& seed);

// State written by SetSeed.
extern int w_rndu;
extern int z_rndu;

#endif
