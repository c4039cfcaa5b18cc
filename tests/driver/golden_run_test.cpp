// Byte-for-byte fingerprints of whole runs and of the generation functions
// with fixed seeds. Any change to a draw, its order, a float/double width or
// an output text shows up here; speed work must leave every digest as it is.
//
// After an intended change of behaviour, set TESSAREL_GOLDEN_PRINT=1 and run
// the failing test: it prints the new table to paste over the old one.

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include <gsl/gsl_rng.h>
#include <gtest/gtest.h>

#include "model/alelle.h"
#include "model/genotype.h"
#include "model/population.h"
#include "run_inputs.h"
#include "settings/settings.h"
#include "support/globaldef.h"

using runtest::Inputs;
using testutil::read_file;
using testutil::write_file;

namespace {

struct Digest {
  std::string name;
  std::size_t size;
  std::uint64_t hash;
};

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

Digest digest_of(const std::string& name, const std::string& bytes) {
  return Digest{name, bytes.size(), fnv1a(bytes)};
}

// Every file of the working directory (inputs included) in name order, then
// the log in two parts: the start-up with the echo of the settings, and the
// simulations (so that a change in the echo alone is told apart).
std::vector<Digest> digest_run(const std::string& log) {
  std::vector<std::string> names;
  DIR* dir = opendir(".");
  if (dir != nullptr) {
    while (dirent* e = readdir(dir)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  std::vector<Digest> out;
  for (const std::string& n : names) out.push_back(digest_of(n, read_file(n)));
  const std::string mark = "Basic parameters read!";
  const std::size_t cut = log.find(mark) == std::string::npos ? log.size() : log.find(mark);
  out.push_back(digest_of("(log start-up)", log.substr(0, cut)));
  out.push_back(digest_of("(log simulations)", log.substr(cut)));
  return out;
}

std::string table_text(const std::vector<Digest>& ds) {
  std::ostringstream o;
  for (const Digest& d : ds) {
    o << "      {\"" << d.name << "\", " << d.size << "u, 0x" << std::hex << std::setw(16)
      << std::setfill('0') << d.hash << std::dec << std::setfill(' ') << "ULL},\n";
  }
  return o.str();
}

void expect_digests(const std::vector<Digest>& expected, const std::vector<Digest>& actual) {
  const char* print = std::getenv("TESSAREL_GOLDEN_PRINT");
  if (print != nullptr && print[0] == '1') std::printf("%s", table_text(actual).c_str());
  ASSERT_EQ(expected.size(), actual.size()) << "actual files:\n" << table_text(actual);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].name, actual[i].name);
    EXPECT_EQ(expected[i].size, actual[i].size) << actual[i].name;
    EXPECT_EQ(expected[i].hash, actual[i].hash) << actual[i].name;
  }
}

std::vector<Digest> run_and_digest(const Inputs& in, long seed_start,
                                   const std::vector<std::pair<std::string, std::string> >& extra) {
  testutil::TempDir dir;
  testutil::LogCapture log;
  in.write();
  for (const auto& f : extra) write_file(f.first, f.second);
  run_tessarel(runtest::seed_sequence(seed_start));
  return digest_run(log.text());
}

// --- whole runs ------------------------------------------------------------

TEST(GoldenRun, GradientRoutesStructureChangeAndMutationWithFrequencyFiles) {
  Inputs in;
  in.simulations = "2";
  in.generations = "25";
  in.alleles = "3";
  in.init_freq = "0.3";
  in.mutation = "0.001";
  in.model = "1";
  in.gradient = "1";
  in.north_east = "0.05";
  in.south_west = "0.01";
  in.intermediate = "1";
  in.x = "3";
  in.y = "2";
  in.groups = "2";
  in.route_count = "2";
  in.routes = "(1,2,2.5) (5,2,0)";
  in.structures = "2";
  in.structure_list = "1 0\n2 8";
  in.demes = {"40 100 0.5 0.1 1 10", "0 100 0.5 0.1 1 10", "0 80 0.4 0.05 1 0",
              "10 60 0.6 0.2 2 5",   "0 120 0.5 0.1 2 10", "0 90 0.5 0.1 2 8"};
  const std::vector<std::pair<std::string, std::string> > extra = {
      {"tessarel_structure_2.txt",
       "change\nrel abs abs\n2 -1 -1\n-1 0.9 -1\n-1 -1 0.3\n0.5 -1 -1\n-1 -1 -1\n-1 0.1 0.01\n"}};
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 740u, 0xa1d84394a3524794ULL},
      {"Result_000002.arp", 742u, 0x66021a2f4fc8a1a8ULL},
      {"arlequin.arb", 36u, 0x46a297f7cc36af74ULL},
      {"tessarel_frequency.deme1", 1218u, 0x9031615a2ea61fecULL},
      {"tessarel_frequency.deme2", 1173u, 0x15ebe1eeb81eb03cULL},
      {"tessarel_frequency.deme3", 941u, 0x92f670a169081231ULL},
      {"tessarel_frequency.deme4", 1068u, 0x1feede5843cdcd29ULL},
      {"tessarel_frequency.deme5", 1081u, 0x2e98b90ce2b6645fULL},
      {"tessarel_frequency.deme6", 934u, 0x7a2428dbb4c80688ULL},
      {"tessarel_param.txt", 116u, 0x423a3d572010b499ULL},
      {"tessarel_structure_1.txt", 145u, 0x2f68b0e82c5b5721ULL},
      {"tessarel_structure_2.txt", 78u, 0x6dede3da814f13f1ULL},
      {"(log start-up)", 1147u, 0x1ee0fd0ef085bac8ULL},
      {"(log simulations)", 1909u, 0x8b81a35c9adab947ULL},
  };
  expect_digests(expected, run_and_digest(in, 11, extra));
}

TEST(GoldenRun, RareAlleleModelGroupDemographyAndMutationWithoutFrequencyFiles) {
  Inputs in;
  in.simulations = "2";
  in.generations = "30";
  in.alleles = "2";
  in.one_pool = "1";
  in.init_freq = "0";
  in.mutation = "0.002";
  in.model = "2";
  in.rate = "0.1";
  in.intermediate = "0";
  in.x = "4";
  in.y = "1";
  in.groups = "2";
  in.same_demo = "1";
  in.structures = "2";
  in.structure_list = "1 0\n2 12";
  in.demes = {"30 0 0 0 1 10", "0 0 0 0 1 6", "20 0 0 0 2 10", "0 0 0 0 2 0"};
  in.group_records = {"80 0.5 0.1", "50 0.8 0.2"};
  const std::vector<std::pair<std::string, std::string> > extra = {
      {"tessarel_alldemes_2.txt", "groups change\nabs rel abs\n150 -1 -1\n-1 0.5 0.05\n"}};
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 573u, 0x2de77f164e7f5188ULL},
      {"Result_000002.arp", 575u, 0x7e4c83f853515e34ULL},
      {"arlequin.arb", 36u, 0x46a297f7cc36af74ULL},
      {"tessarel_alldemes_1.txt", 29u, 0x8fa408afd5e1a3beULL},
      {"tessarel_alldemes_2.txt", 48u, 0x15609c1812b1dd9cULL},
      {"tessarel_param.txt", 103u, 0xaf4766cd08cff681ULL},
      {"tessarel_structure_1.txt", 86u, 0x8ea55ceba171c2b3ULL},
      {"(log start-up)", 1077u, 0x96c846ac4785bb0bULL},
      {"(log simulations)", 3290u, 0x5c7c9ac2600ab5abULL},
  };
  expect_digests(expected, run_and_digest(in, 23, extra));
}

TEST(GoldenRun, DominanceModelWithInactiveAndEmptyDemes) {
  Inputs in;
  in.simulations = "2";
  in.generations = "20";
  in.alleles = "3";
  in.init_freq = "0.5";
  in.model = "3";
  in.rate = "0.2";
  in.intermediate = "1";
  in.x = "3";
  in.y = "3";
  in.demes = {"25 70 0.5 0.1 1 10", "0 70 0.5 0.1 1 10", "0 -1 0.5 0.1 1 0",
              "0 70 0.5 0.1 1 10",  "0 0 0.5 0.1 1 4",   "0 70 0.5 0.1 1 10",
              "0 70 0.5 0.1 1 0",   "0 70 0.5 0.1 1 10", "0 70 0.5 0.1 1 10"};
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 612u, 0xd8c02a79ab656592ULL},
      {"Result_000002.arp", 598u, 0xce84c7e14e9d32f3ULL},
      {"arlequin.arb", 36u, 0x46a297f7cc36af74ULL},
      {"tessarel_frequency.deme1", 675u, 0x1bedafb2838dc3b1ULL},
      {"tessarel_frequency.deme2", 640u, 0x76e28842cee90efdULL},
      {"tessarel_frequency.deme4", 653u, 0x34061b4ead079127ULL},
      {"tessarel_frequency.deme5", 261u, 0x1b22d5b0ac60ec31ULL},
      {"tessarel_frequency.deme6", 271u, 0xa873d9af4e3262ffULL},
      {"tessarel_frequency.deme7", 504u, 0x0dcc52106cf19f01ULL},
      {"tessarel_frequency.deme8", 405u, 0x4b633fc594d969cdULL},
      {"tessarel_frequency.deme9", 340u, 0xc479f3734d4ac3bdULL},
      {"tessarel_param.txt", 96u, 0xca3eec63307c8201ULL},
      {"tessarel_structure_1.txt", 193u, 0x3423e031f0a1241dULL},
      {"(log start-up)", 1113u, 0xcf4f6a672b72d49eULL},
      {"(log simulations)", 268u, 0x40d8857ee81360edULL},
  };
  expect_digests(expected, run_and_digest(in, 37, {}));
}

// Two demes over the frequency-mode threshold from the start (the large
// migration path between them, the small path into the third deme), mutation
// in frequency mode, then a structure change that brings the first deme back
// to individuals.
TEST(GoldenRun, FrequencyModeAndBackWithMutation) {
  Inputs in;
  in.simulations = "1";
  in.generations = "7";
  in.alleles = "3";
  in.init_freq = "0";
  in.mutation = "0.000001";
  in.model = "1";
  in.rate = "0.01";
  in.intermediate = "1";
  in.x = "3";
  in.y = "1";
  in.structures = "2";
  in.structure_list = "1 0\n2 4";
  in.demes = {"1000001 3000000 0.05 0.02 1 20", "1000001 3000000 0.05 0.001 1 20", "50 500 0.5 0.05 1 10"};
  const std::vector<std::pair<std::string, std::string> > extra = {
      {"tessarel_structure_2.txt", "back\nabs abs abs\n1000 1 -1\n-1 -1 -1\n-1 -1 -1\n"}};
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 424u, 0x22cee329670459edULL},
      {"arlequin.arb", 18u, 0x536d99b9466c3b97ULL},
      {"tessarel_frequency.deme1", 368u, 0xc73bae87072f7b68ULL},
      {"tessarel_frequency.deme2", 364u, 0x5c65e235e44b5f9dULL},
      {"tessarel_frequency.deme3", 355u, 0x93a158cb671f34b3ULL},
      {"tessarel_param.txt", 105u, 0x67f74dff5bbe7759ULL},
      {"tessarel_structure_1.txt", 118u, 0x0056087fa3afee07ULL},
      {"tessarel_structure_2.txt", 45u, 0x4116f2cac77cbaf6ULL},
      {"(log start-up)", 788u, 0x954bfb43d7487ce5ULL},
      {"(log simulations)", 1359u, 0xccb068fd5925f388ULL},
  };
  expect_digests(expected, run_and_digest(in, 41, extra));
}

TEST(GoldenRun, FrequencyModeRareAlleleWithoutFrequencyFiles) {
  Inputs in;
  in.simulations = "1";
  in.generations = "5";
  in.alleles = "4";
  in.init_freq = "0.7";
  in.model = "2";
  in.rate = "0.05";
  in.intermediate = "0";
  in.x = "2";
  in.y = "1";
  in.demes = {"1000001 3000000 0.1 0.01 1 15", "20 300 0.5 0.1 1 10"};
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 355u, 0x372dea32a99660b1ULL},
      {"arlequin.arb", 18u, 0x536d99b9466c3b97ULL},
      {"tessarel_param.txt", 96u, 0xace5a47e24c5193cULL},
      {"tessarel_structure_1.txt", 84u, 0x86856c10cd38f289ULL},
      {"(log start-up)", 758u, 0x939fe76d24f656d4ULL},
      {"(log simulations)", 170u, 0x19140afa9226bcfcULL},
  };
  expect_digests(expected, run_and_digest(in, 43, {}));
}

TEST(GoldenRun, AbcModeWithPriorsEverywhere) {
  const std::string param =
      "ABC run\n"
      "3\n"
      "*UNIFORM 15 30\n"
      "genetics\n"
      "3\n"
      "0\n"
      "*UNIFORM 0.1 0.5\n"
      "*LOG_UNIFORM 0.0001 0.01\n"
      "selection\n"
      "2\n"
      "0\n"
      "*UNIFORM 0 0.05\n"
      "0\n"
      "0\n"
      "output\n"
      "0\n"
      "world\n"
      "3\n"
      "2\n"
      "2\n"
      "0\n"
      "1\n"
      "(2,3,*UNIFORM/0/1)\n"
      "1\n"
      "1 0\n";
  const std::string structure =
      "structure 1\nN0 K r m group sample\n"
      "*UNIFORM/20/40 150 0.4 *UNIFORM/0.01/0.2 1 10\n"
      "0 *UNIFORM/50/200 0.4 0.05 1 0\n"
      "0 150 0.4 0.05 2 8\n"
      "0 150 *POISSON/1 0.05 2 10\n"
      "0 -1 0.4 0.05 1 0\n"
      "0 *UNIFORM_DISCRETE/60/90 0.4 0.05 2 10\n";
  testutil::TempDir dir;
  testutil::LogCapture log;
  write_file("tessarel_param.txt", param);
  write_file("tessarel_structure_1.txt", structure);
  run_tessarel(runtest::seed_sequence(53));
  const std::vector<Digest> expected = {
      {"Result_000001.arp", 628u, 0xb3951ed158f1d520ULL},
      {"Result_000002.arp", 639u, 0x3c62226a612f70c5ULL},
      {"Result_000003.arp", 618u, 0xdf819b5f446f3308ULL},
      {"arlequin.arb", 54u, 0x840590dddecf0cceULL},
      {"tessarel_abc.txt", 440u, 0x0e2cbf19d1f4098fULL},
      {"tessarel_param.txt", 164u, 0xab968875d4ece683ULL},
      {"tessarel_structure_1.txt", 215u, 0x74ee10c9ed662255ULL},
      {"(log start-up)", 708u, 0x6bfc5632d4ed93abULL},
      {"(log simulations)", 2520u, 0x72965e06821c8ccfULL},
  };
  expect_digests(expected, digest_run(log.text()));
}

// --- the eight generation functions on one deme ------------------------------

class GoldenGeneration : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 6; ++i) alleles.push_back(new Tallele(i));
    saved_table = Tgeno::_pallelevect;
    saved_total = Tgeno::_init_num_allele;
    saved_per_pool = Tgeno::_init_num_allele_per_grp;
    Tgeno::_pallelevect = &alleles;
    Tgeno::_init_num_allele = 6;
    Tgeno::_init_num_allele_per_grp = 6;
    saved_rng = randomnumber;
    randomnumber = gsl_rng_alloc(gsl_rng_mt19937);
    settings._intermediate_output = 1;
    settings._locus_length = 1;
  }
  void TearDown() override {
    gsl_rng_free(randomnumber);
    randomnumber = saved_rng;
    Tgeno::_pallelevect = saved_table;
    Tgeno::_init_num_allele = saved_total;
    Tgeno::_init_num_allele_per_grp = saved_per_pool;
    for (Tallele* a : alleles) delete a;
  }

  // Generations of one deme under `model`, traced as text: the genotypes in
  // individual mode, the frequencies in frequency mode, and the deme's
  // frequency file.
  std::string trace(int model, bool frequency_mode, unsigned long seed, int rows = 1) {
    gsl_rng_set(randomnumber, seed);
    settings._intermediate_output = rows;
    testutil::TempDir dir;
    testutil::LogCapture log;
    Tpop pop(frequency_mode ? 3000 : 400, 0, 0, 0);
    pop._k = frequency_mode ? 4000.0 : 600.0;
    pop._r = 0.3f;
    pop._s = 0.2f;
    pop.createfreqarrays(static_cast<int>(alleles.size()));
    pop.create_ind_vector(frequency_mode ? 3000 : 400, 0, frequency_mode ? 0.998f : 0.4f);
    pop._freq_mode = frequency_mode;
    std::ostringstream text;
    text << std::setprecision(9);
    std::vector<Tgeno*> surplus;
    {
      std::ofstream out("frequencies");
      for (int g = 0; g < 12; ++g) {
        out << g << ":\t";
        surplus.clear();
        pop.logistic_growth(&surplus);
        if (frequency_mode) {
          switch (model) {
            case 0: pop.newgeneration_symoverfreq(&out, &alleles, &settings); break;
            case 1: pop.newgeneration_asymoverfreq(&out, &alleles, &settings); break;
            case 2: pop.newgeneration_rareallelefreq(&out, &alleles, &settings); break;
            default: pop.newgeneration_dominancefreq(&out, &alleles, &settings); break;
          }
        } else {
          switch (model) {
            case 0: pop.newgeneration_symoverind(&out, &alleles, &settings, &surplus); break;
            case 1: pop.newgeneration_asymoverind(&out, &alleles, &settings, &surplus); break;
            case 2: pop.newgeneration_rarealleleind(&out, &alleles, &settings, &surplus); break;
            default: pop.newgeneration_dominanceind(&out, &alleles, &settings, &surplus); break;
          }
        }
        pop.delete_sup_ind(&surplus);
        pop.Update_ind_lists();
        text << "g" << g << " " << pop._size << " " << pop._next_size << "\n";
        if (frequency_mode) {
          for (float f : pop._freq) text << f << " ";
        } else {
          for (const Tgeno* x : *pop._current) text << x->_allele1->_id << x->_allele2->_id << " ";
        }
        text << "\n";
      }
    }
    // Back to individuals from the last frequencies.
    if (frequency_mode) {
      pop._freq_mode = false;
      pop._back_to_ind = true;
      pop._next_size = 2500.0;
      pop.transformFreqToIndMode(&surplus);
      for (const Tgeno* x : *pop._current) text << x->_allele1->_id << x->_allele2->_id << " ";
      pop.delete_sup_ind(&surplus);
    }
    text << read_file("frequencies") << log.text();
    pop.delete_ind_vector();
    return text.str();
  }

  void check(const char* label, const std::string& traced, std::size_t size, std::uint64_t hash) {
    const char* print = std::getenv("TESSAREL_GOLDEN_PRINT");
    if (print != nullptr && print[0] == '1') {
      std::printf("%s %zuu, 0x%016llxULL\n", label, traced.size(),
                  static_cast<unsigned long long>(fnv1a(traced)));
    }
    EXPECT_EQ(size, traced.size()) << label;
    EXPECT_EQ(hash, fnv1a(traced)) << label;
  }

  std::vector<Tallele*> alleles;
  std::vector<Tallele*>* saved_table = nullptr;
  int saved_total = 0;
  int saved_per_pool = 0;
  gsl_rng* saved_rng = nullptr;
  Tsettings settings;
};

TEST_F(GoldenGeneration, IndividualModeUnderEachModel) {
  check("ind model 0", trace(0, false, 101), 20123u, 0xbad237328888239aULL);
  check("ind model 1", trace(1, false, 102), 20124u, 0x232395b1d3b7d4e2ULL);
  check("ind model 2", trace(2, false, 103), 20126u, 0xe3a3569117dfc660ULL);
  check("ind model 3", trace(3, false, 104), 20164u, 0x2947eb98e6b1a28dULL);
}

TEST_F(GoldenGeneration, IndividualModeWithoutFrequencyRows) {
  check("ind model 0 quiet", trace(0, false, 111, 0), 19478u, 0xe32b0e0b4268b83cULL);
  check("ind model 1 quiet", trace(1, false, 112, 0), 19478u, 0x8c05d67e0717da84ULL);
  check("ind model 2 quiet", trace(2, false, 113, 0), 19478u, 0xc64f5eb18d111664ULL);
  check("ind model 3 quiet", trace(3, false, 114, 0), 19478u, 0xbeb11ed02ccbfcbeULL);
}

// Allele numbers beyond one byte and beyond two bytes.
TEST_F(GoldenGeneration, IndividualModeWithLargeAlleleTables) {
  for (int i = 6; i < 300; ++i) alleles.push_back(new Tallele(i));
  Tgeno::_init_num_allele = Tgeno::_init_num_allele_per_grp = 300;
  check("ind model 1, 300 alleles", trace(1, false, 121, 0), 34863u, 0xb93f53a166b534c2ULL);
  check("ind model 2, 300 alleles", trace(2, false, 122, 1), 55624u, 0x1a4ac07dafdfb0cdULL);
  for (int i = 300; i < 70000; ++i) alleles.push_back(new Tallele(i));
  Tgeno::_init_num_allele = Tgeno::_init_num_allele_per_grp = 70000;
  check("ind model 0, 70000 alleles", trace(0, false, 123, 0), 53653u, 0xc189863d5ac12cc2ULL);
  check("ind model 2, 70000 alleles", trace(2, false, 124, 0), 54135u, 0xb9bf5601b2c98ae5ULL);
}

TEST_F(GoldenGeneration, FrequencyModeUnderEachModelAndTheWayBack) {
  check("freq model 0", trace(0, true, 201), 8088u, 0xca7e834d83ef4feeULL);
  check("freq model 1", trace(1, true, 202), 8156u, 0x374307bba64f464dULL);
  check("freq model 2", trace(2, true, 203), 8150u, 0xe0258d36a782290bULL);
  check("freq model 3", trace(3, true, 204), 8426u, 0xdd342f678793633aULL);
}

}  // namespace
