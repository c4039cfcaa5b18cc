#ifndef TESSAREL_TESTS_FUZZ_FUZZ_COMMON_H
#define TESSAREL_TESTS_FUZZ_FUZZ_COMMON_H

// Shared by the libFuzzer targets: a private working directory for the
// readers that open fixed file names, a silenced log, and small checks that
// turn a broken promise of the code under test into a crash the fuzzer sees.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/globaldef.h"

namespace fuzzutil {

inline std::string& work_dir() {
  static std::string dir;
  return dir;
}

inline void remove_work_dir() {
  if (work_dir().empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(work_dir(), ignored);
}

// Once per process: the log goes to /dev/null (the readers log a lot and a
// growing log file would slow every run down), and the process moves into a
// fresh directory of its own, removed again at exit.
// To look at what an input does, set TESSAREL_FUZZ_KEEP to an existing
// directory: the target then works there, keeps its files and logs to
// "tessarel.log" in it (run it on that one input).
inline void setup_once() {
  static bool done = false;
  if (done) return;
  done = true;
  AOS.close();
  AOS.clear();
  const char* keep = std::getenv("TESSAREL_FUZZ_KEEP");
  if (keep != nullptr && *keep != '\0') {
    if (chdir(keep) != 0) {
      std::perror("tessarel fuzz: TESSAREL_FUZZ_KEEP");
      std::abort();
    }
    AOS.open("tessarel.log", std::ios::out | std::ios::trunc);
    return;
  }
  AOS.open("/dev/null");
  // Under TMPDIR when set: a target killed by a finding (or libFuzzer's
  // fork mode) never reaches the removal at exit, and scripts/fuzz.sh points
  // TMPDIR into the build folder so such leftovers stay there.
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessarel-fuzz-XXXXXX";
  const char* dir = mkdtemp(&pattern[0]);
  if (dir == nullptr || chdir(dir) != 0) {
    std::perror("tessarel fuzz: no private working directory");
    std::abort();
  }
  work_dir() = dir;
  std::atexit(remove_work_dir);
}

inline void write_file(const char* name, const std::string& content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline void remove_file(const char* name) { std::remove(name); }

inline std::string read_file(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Splits the input at every line "@@@@" (the separator line itself is
// dropped); at most `max_parts` parts, the last one taking the rest.
inline std::vector<std::string> split_parts(const uint8_t* data, size_t size, size_t max_parts) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string sep = "\n@@@@\n";
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < max_parts) {
    size_t p = text.find(sep, start);
    if (p == std::string::npos) break;
    parts.push_back(text.substr(start, p + 1 - start));
    start = p + sep.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

// A broken promise of the code under test: report it and crash, so that the
// fuzzer keeps the input.
inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "tessarel fuzz: broken invariant: %s\n", what);
  std::abort();
}

inline bool has_nan_or_inf_word(const std::string& text) {
  return text.find("nan") != std::string::npos || text.find("inf") != std::string::npos;
}

}  // namespace fuzzutil

#endif
