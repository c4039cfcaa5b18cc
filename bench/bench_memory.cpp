// Peak memory of a whole run of one deme of N individuals (N0 = K = N,
// r = 0, m = 0, model 1, 5 generations, no mutation, no frequency files).
// Usage: tessarel_bench_memory N   (run in an empty folder)
// Prints "N <individuals> peak_kB <maximum resident set size in kB>".

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "driver/tessarel.h"

int main(int argc, char** argv) {
  long const n = argc > 1 ? std::atol(argv[1]) : 1000000;
  {
    std::ofstream param("tessarel_param.txt");
    param << "memory run\n1\n5\ngenetics\n10\n0\n0\n0\nselection\n1\n0\n0.01\n0\n0\noutput\n0\nworld\n"
          << "1\n1\n1\n0\n0\nno routes\n1\n1 0\n";
    std::ofstream structure("tessarel_structure_1.txt");
    structure << "structure 1\nN0 K r m group sample\n" << n << "\t" << n << "\t0\t0\t1\t20\n";
  }
  long seed = 0;
  run_tessarel([&seed]() { return -(seed = (seed * 7919 + 104729) % 1000000); });
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("N %ld peak_kB %ld\n", n, static_cast<long>(usage.ru_maxrss));
  return 0;
}
