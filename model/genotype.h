#ifndef TESSAREL_MODEL_GENOTYPE_H
#define TESSAREL_MODEL_GENOTYPE_H

#include <cstddef>
#include <vector>

#include "model/alelle.h"

// One diploid individual: two non-owning references into the allele table.
class Tgeno {
public:
  Tallele* _allele1;
  Tallele* _allele2;  // never changed by mutation
  float _f1;
  float _f2;

  // Class-wide links to the run's allele table and its ancestral pools.
  static std::vector<Tallele*>* _pallelevect;
  static int _init_num_allele;           // initial alleles over all pools
  static int _init_num_allele_per_grp;   // k: initial alleles per pool

  Tgeno();
  Tgeno(int const& a, int const& b);
  Tgeno(int const& pool, float const& p0);
  Tgeno(bool const& make, int const& pool, float const& p0);
  Tgeno(float const& f, int const& a, int const& b);
  Tgeno(Tgeno const& other) = default;
  ~Tgeno();

  void set_alleles(int const& a, int const& b);
  void set_allele1(int const& id);
  void set_allele2(int const& id);
  int draw_allele();
  int draw_allele(int const& pool);
  int draw_allele_with_freq_init(float const& p0, int const& pool);
  void initialize(bool const& make, int const& pool, float const& p0);
  void initialize(float const& f, int const& a, int const& b);
  void addgeno();
  void set_first_allele_to_0();
  void associate_init_alleles();

  Tgeno& operator=(Tgeno const& other);
  bool operator==(Tgeno const& other);

  // A run creates and deletes individuals by the million: they come from
  // slots of large shared blocks instead of a heap block each, and a slot
  // given back is the next one handed out. With AddressSanitizer they are
  // plain heap blocks again, so that misuse stays visible.
  static void* operator new(std::size_t size);
  static void operator delete(void* p, std::size_t size) noexcept;

private:
  void draw_initial(int const& pool, float const& p0);
  static Tallele* table_entry(int const& id);
};

#endif
