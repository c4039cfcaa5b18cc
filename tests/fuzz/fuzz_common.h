#ifndef TESSAREL_TESTS_FUZZ_FUZZ_COMMON_H
#define TESSAREL_TESTS_FUZZ_FUZZ_COMMON_H

// Shared by the libFuzzer targets: a private working directory for the
// readers of fixed file names, a silenced log, input split into files, and
// checks that turn a broken promise into a crash the fuzzer keeps.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/globaldef.h"

namespace fuzzutil {

// Once per process: the log goes to /dev/null and the process works in a
// fresh directory under TMPDIR (scripts/fuzz.sh points it into the build
// folder and empties it before each run).
inline void setup_once() {
  static std::string dir;
  if (!dir.empty()) return;
  AOS.close();
  AOS.clear();
  AOS.open("/dev/null");
  const char* tmp = std::getenv("TMPDIR");
  dir = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessarel-fuzz-XXXXXX";
  if (mkdtemp(&dir[0]) == nullptr || chdir(dir.c_str()) != 0) {
    std::perror("tessarel fuzz: no private working directory");
    std::abort();
  }
}

// Writes the file; an empty content stands for a missing file.
inline void put_file(const std::string& name, const std::string& content) {
  if (content.empty())
    std::remove(name.c_str());
  else
    std::ofstream(name, std::ios::binary | std::ios::trunc) << content;
}

inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input split into files at every line "@@@@" (at most `max_parts`
// parts, the last one taking the rest).
inline std::vector<std::string> split_parts(const uint8_t* data, size_t size, size_t max_parts) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts(1);
  for (size_t at = 0, end; at < text.size(); at = end) {
    end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(at, end - at, "@@@@\n") == 0 && parts.size() < max_parts)
      parts.emplace_back();
    else
      parts.back() += text.substr(at, end - at);
  }
  parts.resize(max_parts);
  return parts;
}

inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "tessarel fuzz: broken invariant: %s\n", what);
  std::abort();
}

// Result files are read by other programs: never "nan" or "inf" in them.
inline bool no_nan(const std::string& text) {
  return text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

}  // namespace fuzzutil

#endif
