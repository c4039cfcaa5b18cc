// Pieces the benchmark programs share: a generator type that counts the
// draws made on it, the input files of a whole run, and CPU time.
#ifndef TESSAREL_BENCH_BENCH_UTIL_H
#define TESSAREL_BENCH_BENCH_UTIL_H

#include <gsl/gsl_rng.h>
#include <time.h>

#include <fstream>
#include <string>

namespace benchutil {

// Forwards to one GSL MT19937 and counts its calls, so that a floor made of
// bare GSL draws can make exactly as many as the work it stands for:
// gsl_rng_uniform_int calls get (once, bar a rare redraw), gsl_rng_uniform
// calls get_double. Only one counting generator may be alive at a time (the
// run frees its generator before it creates the next one).
struct Counts {
  unsigned long gets = 0;
  unsigned long doubles = 0;
};

inline gsl_rng*& counted_inner() {
  static gsl_rng* inner = gsl_rng_alloc(gsl_rng_mt19937);
  return inner;
}
inline Counts& counts() {
  static Counts c;
  return c;
}
inline void counting_set(void*, unsigned long seed) { gsl_rng_set(counted_inner(), seed); }
inline unsigned long counting_get(void*) {
  ++counts().gets;
  return gsl_rng_get(counted_inner());
}
inline double counting_get_double(void*) {
  ++counts().doubles;
  return gsl_rng_uniform(counted_inner());
}
gsl_rng_type const counting_type = {"counting mt19937", 0xffffffffUL, 0, sizeof(int), &counting_set,
                                    &counting_get, &counting_get_double};

// CPU time of the process in seconds (one thread: the time of the work,
// whatever else the machine runs).
inline double cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// A whole run of side x side demes of carrying capacity k, each starting at
// n0 individuals (at k when n0 is 0; r = 0.5, m = 0.05, a sample of 20 in
// every tenth deme), 10 alleles, one simulation, no frequency files.
struct Scenario {
  int side = 30;
  int k = 1000;
  int n0 = 0;
  int generations = 60;
  int model = 1;
  float s = 0.0f;
  float mutation = 0.0f;
  float r = 0.5f;
  float m = 0.05f;
};

// Writes the input files of the scenario into the folder dir.
inline void write_inputs(std::string const& dir, Scenario const& sc) {
  std::ofstream param((dir + "/tessarel_param.txt").c_str());
  param << "benchmark run\n1\n" << sc.generations << "\ngenetics\n10\n0\n0\n" << sc.mutation << "\nselection\n"
        << sc.model << "\n0\n" << sc.s << "\n0\n0\noutput\n0\nworld\n" << sc.side << "\n" << sc.side
        << "\n1\n0\n0\nno routes\n1\n1 0\n";
  std::ofstream structure((dir + "/tessarel_structure_1.txt").c_str());
  structure << "structure 1\nN0 K r m group sample\n";
  for (int i = 0; i < sc.side * sc.side; ++i) {
    structure << (sc.n0 > 0 ? sc.n0 : sc.k) << "\t" << sc.k << "\t" << sc.r << "\t" << sc.m << "\t1\t" << (i % 10 == 0 ? 20 : 0) << "\n";
  }
}

// The fixed seed sequence of every benchmarked run: the same work each time.
struct FixedSeeds {
  long seed = 0;
  long operator()() { return -(seed = (seed * 7919 + 104729) % 1000000); }
};

}  // namespace benchutil

#endif
