#ifndef TESSAREL_TESTS_DRIVER_BAD_RUN_H
#define TESSAREL_TESTS_DRIVER_BAD_RUN_H

// Runs the whole program on bad input in a child process: a crash, a
// sanitizer report or an endless loop then fails one case of the table
// instead of the whole test program, and every case is bounded in time.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <new>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/tessarel.h"
#include "run_inputs.h"
#include "support/globaldef.h"
#include "test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define BADRUN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BADRUN_ASAN 1
#endif
#endif

namespace badrun {

// Exit statuses of a child whose run threw instead of returning.
const int kOutOfMemory = 98;
const int kException = 99;

struct Outcome {
  bool ended = false;       // the child returned from the run by itself
  int exit_status = -1;     // its status when it ended
  int signal = 0;           // the signal that ended it otherwise
  bool timed_out = false;   // killed by the time bound
  std::string log;          // "tessarel.log" of the run
  // Result files the run left, name and content.
  std::vector<std::pair<std::string, std::string>> results;

  std::string describe() const {
    std::ostringstream out;
    if (timed_out) out << "did not end within its time bound (endless loop?)";
    else if (!ended) out << "killed by signal " << signal << " (crash or sanitizer abort)";
    else if (exit_status == kOutOfMemory) out << "ran out of memory (std::bad_alloc)";
    else if (exit_status == kException) out << "ended by an exception";
    else out << "exit status " << exit_status;
    std::string tail = log.size() > 600 ? log.substr(log.size() - 600) : log;
    out << "\n--- end of tessarel.log ---\n" << tail;
    return out.str();
  }
};

inline bool is_result_file(const std::string& name) {
  return name == "arlequin.arb" || name == "tessarel_abc.txt" ||
         (name.rfind("Result_", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".arp") == 0) ||
         name.rfind("tessarel_frequency.deme", 0) == 0;
}

// Runs run_tessarel with a fixed seed sequence in the current directory,
// the log going to "tessarel.log" there; killed after `seconds`.
inline Outcome run_bounded(int seconds) {
  Outcome outcome;
  std::fflush(stdout);
  std::fflush(stderr);
  AOS.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(static_cast<unsigned>(seconds));
#ifndef BADRUN_ASAN
    // A run that tries to allocate without bound fails fast instead of
    // swapping the machine to death (AddressSanitizer cannot run under an
    // address-space limit; its own allocator reports such a run).
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(4) << 30;
    setrlimit(RLIMIT_AS, &limit);
#endif
    AOS.close();
    AOS.clear();
    AOS.open("tessarel.log", std::ios::out | std::ios::trunc);
    // The child never returns into the test framework, whatever happens.
    int code = 100;
    try {
      code = run_tessarel(runtest::seed_sequence(4242)) == 0 ? 0 : 100;
    } catch (const std::bad_alloc&) {
      code = kOutOfMemory;
    } catch (...) {
      code = kException;
    }
    AOS.close();
    _exit(code);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return outcome;
  if (WIFEXITED(status)) {
    outcome.ended = true;
    outcome.exit_status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    outcome.signal = WTERMSIG(status);
    outcome.timed_out = outcome.signal == SIGALRM;
  }
  outcome.log = testutil::read_file("tessarel.log");
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && is_result_file(name)) {
      outcome.results.emplace_back(name, testutil::read_file(name));
    }
  }
  return outcome;
}

// First result file holding "nan" or "inf" (lower case, as the C library
// writes them), or the empty text.
inline std::string result_with_nan_or_inf(const Outcome& outcome) {
  for (const auto& file : outcome.results) {
    if (file.second.find("nan") != std::string::npos || file.second.find("inf") != std::string::npos)
      return file.first;
  }
  return "";
}

// The log ends with the normal end of a run.
inline bool ended_normally(const Outcome& outcome) {
  const std::string end = "Ending program...ok!\n";
  return outcome.log.size() >= end.size() &&
         outcome.log.compare(outcome.log.size() - end.size(), end.size(), end) == 0;
}

inline bool has_result(const Outcome& outcome, const std::string& name) {
  for (const auto& file : outcome.results)
    if (file.first == name) return true;
  return false;
}

}  // namespace badrun

#endif
