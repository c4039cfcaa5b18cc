// Individual-mode generations: a deme without parents, and byte-for-byte
// traces of generations whose allele table outgrows the one-byte and the
// two-byte layouts of the parents' copies.
//
// After an intended change of behaviour, set TESSAREL_GOLDEN_PRINT=1 and run
// the failing test: it prints the new sizes and digests.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"
#include "world.h"

using testutil::read_file;

TEST(ReproIndGeneration, EmptyParentListEmptiesTheDeme) {
  for (int model = 0; model < 4; ++model) {
    World w(2);
    Deme d(2, 3.0);
    Deme::add(d._next, 0, 0, 3);
    Tgeno* last = d._next->back();
    (d.*kIndStep[model])(nullptr, &w.table, &w.settings, &d.surplus);
    EXPECT_TRUE(d._next->empty());
    ASSERT_EQ(d.surplus.size(), 3u);
    EXPECT_EQ(d.surplus.front(), last);
    EXPECT_EQ(d._next_size, 0.0);
    EXPECT_TRUE(w.in_step());
  }
}

namespace {

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

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

}  // namespace
