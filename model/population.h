#ifndef TESSAREL_MODEL_POPULATION_H
#define TESSAREL_MODEL_POPULATION_H

#include <fstream>
#include <vector>

#include "model/alelle.h"
#include "model/genotype.h"

class Tsettings;

// Selects a deme's current (parents) or next (offspring) individual list.
enum ind_vector_type { IND_CURRENT = 0, IND_NEXT = 1 };

// One deme of the grid.
class Tpop {
public:
  double _size;
  double _next_size;
  double _k;
  float _r;
  float _m;
  float _growth_rest;
  float _rest_unused;
  float _emig_rest[4];  // carried fractional emigrants per neighbour slot
  float _s;
  int _group;
  int _sample_size;
  bool _inactive;
  bool _freq_mode;
  bool _freq_ready;
  bool _back_to_ind;
  std::vector<Tgeno*> _inds_a;
  std::vector<Tgeno*> _inds_b;
  std::vector<Tgeno*> _immigrants;
  std::vector<Tgeno*>* _current;
  std::vector<Tgeno*>* _next;
  std::vector<float> _freq;
  std::vector<float> _gam1;
  std::vector<float> _gam2;
  std::vector<int> _imm_alleles;
  int _n_immigrants;
  int _id;
  int _row;
  int _col;
  int _nbr[4];           // neighbour per slot (x+1, x-1, y+1, y-1), -1 = none
  int _n_nbr;
  float _mig_factor[4];  // modified-route factor per slot, negative = none
  bool _kzero[4];        // neighbour without carrying capacity

  // --- record, lists and growth ---
  Tpop();
  Tpop(int const& N, int const& id, int const& row, int const& col);
  Tpop(Tpop const& other);
  ~Tpop();

  void initialize();
  void initialize(int const& N, int const& id, int const& row, int const& col);
  void create_ind_vector(int const& n, int const& pool, float const& p0);
  void logistic_growth(std::vector<Tgeno*>* surplus);
  void delete_sup_ind(std::vector<Tgeno*>* surplus);
  void Update_ind_lists();
  void delete_ind_vector();
  void createfreqarrays(int const& n);
  void updatefreqvect();
  // Grows each per-allele array to n slots (the new ones 0); never shrinks.
  void growfreqarrays(std::size_t const& n);
  void deletefreqarrays();
  Tpop& operator=(Tpop const& other);
  bool operator==(Tpop const& other);

  // --- frequency-mode generation and selection coefficient ---
  void set_selectioncoef(Tsettings* settings);
  void newgeneration_symoverfreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                 Tsettings* settings);
  void newgeneration_asymoverfreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                  Tsettings* settings);
  void newgeneration_rareallelefreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                    Tsettings* settings);
  void newgeneration_dominancefreq(std::ofstream* out, std::vector<Tallele*>* alleles,
                                   Tsettings* settings);
  float freqperturbation(float const& p);
  float indperturbation(int const& c);

  // --- individual-mode generation and return from frequency mode ---
  void newgeneration_symoverind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                Tsettings* settings, std::vector<Tgeno*>* surplus);
  void newgeneration_asymoverind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                 Tsettings* settings, std::vector<Tgeno*>* surplus);
  void newgeneration_rarealleleind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                   Tsettings* settings, std::vector<Tgeno*>* surplus);
  void newgeneration_dominanceind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                  Tsettings* settings, std::vector<Tgeno*>* surplus);
  void transformFreqToIndMode(std::vector<Tgeno*>* surplus);
  void draw_new_allele(int& r, int& ind, int& allele);
  bool validate_allele(int const& a1, int const& a2, Tsettings* settings);

  // --- emigrants and migration ---
  void count_emigrants(int& e0, int& e1, int& e2, int& e3, bool const& modified_routes);
  void migrateind(int const& n, Tpop* receiver);
  void migratefreq(int const& n, Tpop* receiver, int const& threshold);
  void Update_migrations();

  // --- allele counts and sample frequencies ---
  void quick_count_allele_freq(ind_vector_type list, std::ofstream* out,
                               std::vector<double>* counts, Tsettings* settings);
  void quick_count_sample_freqs(std::ofstream* out, std::vector<double>* counts,
                                unsigned int const& n);
  void count_allele_freq(ind_vector_type list, std::vector<double>* counts, double& het,
                         double& total);
  void count_allele0_freq(float& f);
  void print_ind_vector(ind_vector_type list, std::ofstream* out);

  // --- mutation inside the deme ---
  int Add_mutation(int const& newid, int const& ind);
  int Add_mutation(int const& newid);

private:
  std::vector<Tgeno*>* list_of(ind_vector_type list) const;
  void empty_next_into(std::vector<Tgeno*>* surplus);
};

#endif
