#ifndef TESSAREL_DRIVER_RESULTS_H
#define TESSAREL_DRIVER_RESULTS_H

#include <fstream>
#include <set>
#include <string>
#include <vector>

class Tpop;
class Tallele;
class Tsettings;

// Output files that could not be opened or written. Each file is named once
// in the log ("ERROR: ..."), however often it fails again, so that a
// per-generation file does not flood the log.
class OutputFailures {
 public:
  // Logs the failure of `stream` (failed open or failed write) once per name.
  // Returns true when the stream is still usable.
  bool check(const std::ofstream& stream, const std::string& name);

 private:
  std::set<std::string> _reported;
};

// "tessarel_frequency.deme" + (i + 1).
std::string create_pop_file_name(const int& i);

// Truncates the frequency file of every active deme and writes its header.
// Failures are reported through `failures` (a null pointer reports each one).
void create_pop_files(std::vector<Tpop*>* demes, Tsettings* s, OutputFailures* failures = nullptr);

// "Result_" + s as "%06d" + ".arp".
std::string create_project_file_name(const int& s);

// The whole project file of simulation `sim`. A sampled active deme found
// empty gets the log line and colonisation time -1 in `times`.
void write_project_file(std::ofstream* out, std::vector<Tpop*>* demes,
                        std::vector<Tallele*>* alleles, Tsettings* s, const int& sim,
                        std::vector<int>* times);

// The colonisation-time columns that end the ABC header line.
void write_abc_header_tail(std::ofstream* abc, std::vector<Tpop*>* demes);

// Completes one ABC row: the colonisation time of every deme that has a
// column in the header (active, sample size above 0), in index order, then a
// line end.
void write_abc_row_end(std::ofstream* abc, const std::vector<int>& times, std::vector<Tpop*>* demes);

// Appends the final line (prefix NUM_GENERATIONS) to every active deme's
// frequency file.
void write_final_frequency_lines(std::vector<Tpop*>* demes, std::vector<Tallele*>* alleles,
                                 Tsettings* s, OutputFailures* failures = nullptr);

#endif
