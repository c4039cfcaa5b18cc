// Peak memory of a whole run of one deme of N individuals (N0 = K = N,
// r = 0, m = 0, model 1, s = 0, 5 generations, no mutation, no frequency
// files). Run once with 10^6 and once with 10^3 individuals, in separate
// processes: the difference is the cost of the individuals above the fixed
// cost of a run.
// Usage: tessarel_bench_memory N   (run in an empty folder)
// Prints "N <individuals> peak_kB <maximum resident set size in kB>".

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "bench_util.h"
#include "driver/tessarel.h"

int main(int argc, char** argv) {
  benchutil::Scenario sc;
  sc.side = 1;
  sc.k = argc > 1 ? std::atoi(argv[1]) : 1000000;
  sc.generations = 5;
  sc.r = 0.0f;
  sc.m = 0.0f;
  benchutil::write_inputs(".", sc);
  run_tessarel(benchutil::FixedSeeds());
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("N %d peak_kB %ld\n", sc.k, static_cast<long>(usage.ru_maxrss));
  return 0;
}
