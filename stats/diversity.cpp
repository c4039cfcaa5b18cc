#include "stats/diversity.h"

#include <climits>
#include <cstdint>
#include <ostream>

#include "stats/detail.h"
#include "support/globaldef.h"

// Precision matters here: written values are compared digit for digit with
// earlier results. Counts and their plain sums are double. The sums of
// squared frequencies and of pairwise differences are single-precision
// running sums: each term is formed in double, added to the sum widened to
// double, and the result rounded back to float before the next term (add_f
// below), in the a-outer/b-inner and i-outer/j-inner orders. Every written
// statistic is a float. Terms of those sums that are exactly zero
// (a zero count, or two copies of the same allele) leave a float running sum
// bit for bit unchanged, so they are skipped: the results equal those of the
// full a-outer/b-inner walk over every pair of alleles.

using stats_detail::put_value;

namespace {

const char* const kDivByZero = "WARNING-compute_whole_stats: division by 0!";

inline float add_f(float acc, double term) {
  return static_cast<float>(static_cast<double>(acc) + term);
}

// Quotient in double; a zero divisor gives 0 rather than an infinity or NaN
// that would end up in a result field.
inline double div0(double num, double den) { return den == 0.0 ? 0.0 : num / den; }
inline float fdiv0(float num, float den) { return den == 0.0f ? 0.0f : num / den; }

// Number of demes both functions look at: the settings' count, never more
// than the table holds.
int table_size(const std::vector<Tpop*>* pops, const Tsettings* settings) {
  if (pops == nullptr || settings == nullptr || settings->_num_pop <= 0) return 0;
  std::size_t n = static_cast<std::size_t>(settings->_num_pop);
  if (n > pops->size()) n = pops->size();
  return static_cast<int>(n);
}

inline bool is_active(const std::vector<Tpop*>* pops, int k) {
  const Tpop* p = (*pops)[static_cast<std::size_t>(k)];
  return p != nullptr && !p->_inactive;
}

// Per-deme counts of one call.
struct DemeCounts {
  std::vector<double> c;  // gene copies per allele
  std::vector<int> nz;    // alleles with a positive count, ascending
  double h = 0.0;         // heterozygous individuals
  double n = 0.0;         // gene copies
  bool active = false;
};

// Running (f) sum of c_i[a] * c_j[b] * d(a, b)^2 over a (outer) and b (inner),
// continued from acc. The squared distance is 1 for two different alleles
// and 0 for the same one, whose terms are skipped.
float cross_sum(const DemeCounts& di, const DemeCounts& dj, float acc) {
  for (int a : di.nz) {
    const double ca = di.c[static_cast<std::size_t>(a)];
    for (int b : dj.nz) {
      if (a == b) continue;
      acc = add_f(acc, ca * dj.c[static_cast<std::size_t>(b)]);
    }
  }
  return acc;
}

// As cross_sum of a deme with itself, each term divided by the deme's copies.
float self_sum_per_copy(const DemeCounts& d) {
  float acc = 0.0f;
  for (int a : d.nz) {
    const double ca = d.c[static_cast<std::size_t>(a)];
    for (int b : d.nz) {
      if (a == b) continue;
      acc = add_f(acc, div0(ca * d.c[static_cast<std::size_t>(b)], d.n));
    }
  }
  return acc;
}

// Largest allele number carried in the deme's current list, or -1.
int max_allele_id(const Tpop* p) {
  int m = -1;
  if (p->_current == nullptr) return m;
  for (const Tgeno* g : *p->_current) {
    if (g == nullptr) continue;
    if (g->_allele1 != nullptr && g->_allele1->_id > m) m = g->_allele1->_id;
    if (g->_allele2 != nullptr && g->_allele2->_id > m) m = g->_allele2->_id;
  }
  return m;
}

// n / (n - 1) * (1 - s): the difference in float, the product in double.
float gene_diversity(double n, float s) {
  const double one_minus = static_cast<double>(1.0f - s);
  return static_cast<float>(div0(n, n - 1.0) * one_minus);
}

}  // namespace

void write_legend(std::ofstream* out, std::vector<Tpop*>* pops, Tsettings* settings) {
  if (out == nullptr) return;
  const int npop = table_size(pops, settings);
  std::ostream& os = *out;
  for (int k = 0; k < npop; ++k) {
    if (!is_active(pops, k)) continue;
    if (k != 0) os << '\t';
    os << (k + 1) << "_na\t" << (k + 1) << "_obsHe\t" << (k + 1) << "_Genediv";
  }
  os << "\ttot_na\ttot_obsHe\ttot_GeneDiv";
  if (settings != nullptr) {
    const int P = settings->_num_pop - settings->_num_unactive_deme;
    if (P > 1) {
      if (settings->_num_pop_groups == 1)
        os << "\ttot_Fst";
      else
        os << "\ttot_Fst\ttot_Fct\ttot_Fsc";
      for (int i = 0; i + 1 < npop; ++i) {
        if (!is_active(pops, i)) continue;
        for (int j = i + 1; j < npop; ++j) {
          if (!is_active(pops, j)) continue;
          os << "\tFst_" << (i + 1) << '_' << (j + 1);
        }
      }
    }
  }
  os << std::endl;
}

void compute_whole_stats(std::vector<Tpop*>* pops, std::ofstream* out, Tsettings* settings,
                         const int& num_alleles) {
  if (out == nullptr || settings == nullptr) return;
  std::ostream& os = *out;
  const int npop = table_size(pops, settings);

  // Count vectors are as long as the allele table; an allele number beyond it
  // widens them instead of being counted past their end.
  int width = num_alleles > 0 ? num_alleles : 0;
  for (int k = 0; k < npop; ++k) {
    if (!is_active(pops, k)) continue;
    const int m = max_allele_id((*pops)[static_cast<std::size_t>(k)]);
    if (m + 1 > width) width = m + 1;
  }

  // 1. Counting.
  std::vector<DemeCounts> d(static_cast<std::size_t>(npop));
  std::vector<double> c_tot(static_cast<std::size_t>(width), 0.0);
  double H = 0.0;
  double N = 0.0;
  for (int k = 0; k < npop; ++k) {
    DemeCounts& dk = d[static_cast<std::size_t>(k)];
    dk.c.assign(static_cast<std::size_t>(width), 0.0);
    if (!is_active(pops, k)) continue;
    dk.active = true;
    Tpop* p = (*pops)[static_cast<std::size_t>(k)];
    if (p->_current != nullptr) p->count_allele_freq(IND_CURRENT, &dk.c, dk.h, dk.n);
    for (std::size_t a = 0; a < dk.c.size(); ++a) {
      c_tot[a] += dk.c[a];
      if (dk.c[a] > 0.0) dk.nz.push_back(static_cast<int>(a));
    }
    H += dk.h;
    N += dk.n;
  }

  // 2. Per-deme fields.
  for (int k = 0; k < npop; ++k) {
    const DemeCounts& dk = d[static_cast<std::size_t>(k)];
    if (!dk.active) continue;
    // The alleles present, and the (f) sum of squared frequencies c^2 / n^2.
    float s = 0.0f;
    for (int a : dk.nz) {
      const double ca = dk.c[static_cast<std::size_t>(a)];
      s = add_f(s, div0(ca * ca, dk.n * dk.n));
    }
    // Observed heterozygosity is a share of individuals, not of gene copies.
    const float obs = dk.n > 0.0 ? static_cast<float>(dk.h / (dk.n / 2.0)) : 0.0f;
    if (k != 0) os << '\t';
    os << dk.nz.size() << '\t';
    put_value(os, obs);
    os << '\t';
    put_value(os, gene_diversity(dk.n, s));
  }

  // 3. Totals: the squared frequency is the quotient first, then squared.
  {
    int na = 0;
    float s = 0.0f;
    for (std::size_t a = 0; a < c_tot.size(); ++a) {
      if (c_tot[a] > 0.0) {
        ++na;
        const double q = div0(c_tot[a], N);
        s = add_f(s, q * q);
      }
    }
    const float obs = N > 0.0 ? static_cast<float>(H / (N / 2.0)) : 0.0f;
    os << '\t' << na << '\t';
    put_value(os, obs);
    os << '\t';
    put_value(os, gene_diversity(N, s));
  }

  const int P = settings->_num_pop - settings->_num_unactive_deme;
  if (P <= 1) {
    os << std::endl;
    return;
  }

  // 5. Shared quantities.
  float X = 0.0f;
  for (int i = 0; i < npop; ++i) {
    if (!d[static_cast<std::size_t>(i)].active) continue;
    for (int j = 0; j < npop; ++j) {
      if (!d[static_cast<std::size_t>(j)].active) continue;
      X = cross_sum(d[static_cast<std::size_t>(i)], d[static_cast<std::size_t>(j)], X);
    }
  }
  const float SSD_T = static_cast<float>(div0(static_cast<double>(X), N + N));

  // S2 with its warnings, computed once, where each form asks for it. The
  // sum runs over every deme of the table (NUM_POP of them; should the
  // settings claim more, the missing ones would hold no copies and add
  // nothing, so neither they nor their warnings are walked).
  auto compute_S2 = [&]() -> float {
    float S2 = 0.0f;
    if (N == 0.0) {
      for (int i = 0; i < npop; ++i) AOS << kDivByZero << std::endl;
      return 0.0f;
    }
    for (int i = 0; i < npop; ++i) {
      const double ni = d[static_cast<std::size_t>(i)].n;
      S2 = add_f(S2, ni * ni / N);
    }
    return S2;
  };

  // W_i of every active deme, shared by the one-group form and the pairs.
  std::vector<float> W(static_cast<std::size_t>(npop), 0.0f);
  for (int i = 0; i < npop; ++i) {
    const DemeCounts& di = d[static_cast<std::size_t>(i)];
    if (di.active) W[static_cast<std::size_t>(i)] = cross_sum(di, di, 0.0f);
  }

  const double Nd = N;
  const double Pd = static_cast<double>(P);
  if (settings->_num_pop_groups == 1) {
    // 6. One group.
    float sum_wp = 0.0f;
    for (int i = 0; i < npop; ++i) {
      const DemeCounts& di = d[static_cast<std::size_t>(i)];
      if (!di.active) continue;
      sum_wp += static_cast<float>(div0(static_cast<double>(W[static_cast<std::size_t>(i)]), di.n));
    }
    const float SSD_WP = 0.5f * sum_wp;
    const float sigma_c = static_cast<float>(div0(static_cast<double>(SSD_WP), Nd - Pd));
    const float MS_A = (SSD_T - SSD_WP) / static_cast<float>(P - 1);
    const float S2 = compute_S2();
    const float n = static_cast<float>((Nd - static_cast<double>(S2)) / (Pd - 1.0));
    const float sigma_a = fdiv0(MS_A - sigma_c, n);
    const float Fst = fdiv0(sigma_a, sigma_c + sigma_a);
    os << '\t';
    put_value(os, Fst);
  } else {
    // 7. Several groups.
    float sum_wp = 0.0f;
    for (int i = 0; i < npop; ++i) {
      const DemeCounts& di = d[static_cast<std::size_t>(i)];
      if (!di.active) continue;
      sum_wp += self_sum_per_copy(di);
    }
    const float SSD_WP = 0.5f * sum_wp;

    // Demes by group number; a deme whose group lies outside 1..G is in none.
    // Groups above the highest one that holds a deme have no copies and add
    // exactly nothing to any sum below, so the table stops there (a huge group
    // count then costs neither memory nor time).
    const int G0 = settings->_num_pop_groups;
    int highest = 0;
    for (int i = 0; i < npop; ++i) {
      const Tpop* p = (*pops)[static_cast<std::size_t>(i)];
      if (p != nullptr && p->_group >= 1 && p->_group <= G0 && p->_group > highest)
        highest = p->_group;
    }
    std::vector<std::vector<int>> members(static_cast<std::size_t>(highest));
    for (int i = 0; i < npop; ++i) {
      const Tpop* p = (*pops)[static_cast<std::size_t>(i)];
      if (p != nullptr && p->_group >= 1 && p->_group <= highest)
        members[static_cast<std::size_t>(p->_group - 1)].push_back(i);
    }
    std::vector<int> Ng_int(members.size(), 0);
    float SSD_WG = 0.0f;
    for (int g = 1; g <= highest; ++g) {
      const std::vector<int>& mem = members[static_cast<std::size_t>(g - 1)];
      double Ng = 0.0;
      for (int i : mem) Ng += d[static_cast<std::size_t>(i)].n;
      // Stored as an int; sums beyond the int range saturate.
      Ng_int[static_cast<std::size_t>(g - 1)] = trunc_to_int(Ng);
      float Xg = 0.0f;
      for (int i : mem) {
        if (!d[static_cast<std::size_t>(i)].active) continue;
        for (int j : mem) {
          if (!d[static_cast<std::size_t>(j)].active) continue;
          Xg = cross_sum(d[static_cast<std::size_t>(i)], d[static_cast<std::size_t>(j)], Xg);
        }
      }
      SSD_WG = add_f(SSD_WG, div0(static_cast<double>(Xg), Ng));
    }
    SSD_WG = 0.5f * SSD_WG;

    const int G = settings->_num_pop_groups;
    const double Gd = static_cast<double>(G);
    const float SSD_AG = SSD_T - SSD_WG;
    const float sigma_c = static_cast<float>(div0(static_cast<double>(SSD_WP), Nd - Pd));
    const float MS_WG = P == G ? 0.0f : (SSD_WG - SSD_WP) / static_cast<float>(P - G);
    const float MS_AG = SSD_AG / static_cast<float>(G - 1);
    const float S2 = compute_S2();

    double T1 = 0.0;
    for (std::size_t g = 0; g < members.size(); ++g) {
      for (int i : members[g]) {
        if (Ng_int[g] == 0) {
          AOS << kDivByZero << std::endl;
          continue;
        }
        const double ni = d[static_cast<std::size_t>(i)].n;
        T1 += ni * ni / static_cast<double>(Ng_int[g]);
      }
    }
    double T2 = 0.0;
    for (std::size_t g = 0; g < Ng_int.size(); ++g) {
      const std::int64_t ng = Ng_int[g];
      T2 += div0(static_cast<double>(ng * ng), Nd);
    }

    const float n = P == G ? 0.0f : static_cast<float>((Nd - T1) / (Pd - Gd));
    const float n1 = static_cast<float>((T1 - static_cast<double>(S2)) / (Gd - 1.0));
    const float n2 = static_cast<float>((Nd - T2) / (Gd - 1.0));
    const float sigma_b = fdiv0(MS_WG - sigma_c, n);
    const float sigma_a = fdiv0((MS_AG - n1 * sigma_b) - sigma_c, n2);
    const float T = sigma_c + (sigma_a + sigma_b);
    float Fst = 0.0f, Fct = 0.0f, Fsc = 0.0f;
    if (T != 0.0f) {
      Fst = (sigma_a + sigma_b) / T;
      Fct = sigma_a / T;
      Fsc = fdiv0(sigma_b, sigma_c + sigma_b);
    }
    os << '\t';
    put_value(os, Fst);
    os << '\t';
    put_value(os, Fct);
    os << '\t';
    put_value(os, Fsc);
  }

  // 8. Pairwise Fst.
  for (int i = 0; i + 1 < npop; ++i) {
    const DemeCounts& di = d[static_cast<std::size_t>(i)];
    if (!di.active) continue;
    const float Wi = W[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < npop; ++j) {
      const DemeCounts& dj = d[static_cast<std::size_t>(j)];
      if (!dj.active) continue;
      const float Wj = W[static_cast<std::size_t>(j)];
      const float SSD_WP = (static_cast<float>(div0(static_cast<double>(Wj), dj.n)) +
                            static_cast<float>(div0(static_cast<double>(Wi), di.n))) *
                           0.5f;
      const float Xij = cross_sum(di, dj, 0.0f);
      const double Np = di.n + dj.n;
      const float num = (Xij + Xij) + (Wi + Wj);
      const float SSD_T_ij = static_cast<float>(div0(static_cast<double>(num), Np + Np));
      const float sigma_c = static_cast<float>(div0(static_cast<double>(SSD_WP), Np - 2.0));
      float S = 0.0f;
      if (Np == 0.0) {
        if (di.n == 0.0)
          AOS << "WARNING: Population " << (i + 1)
              << " has not been colonised, AMOVA can not be computed!" << std::endl;
        if (dj.n == 0.0)
          AOS << "WARNING: Population " << (j + 1)
              << " has not been colonised, AMOVA can not be computed!" << std::endl;
      } else {
        S = add_f(S, di.n * di.n / Np);
        S = add_f(S, dj.n * dj.n / Np);
      }
      const float den = static_cast<float>(Np - static_cast<double>(S));
      const float sigma_a = fdiv0((SSD_T_ij - SSD_WP) - sigma_c, den);
      const float Fst = fdiv0(sigma_a, sigma_c + sigma_a);
      os << '\t';
      put_value(os, Fst);
    }
  }
  os << std::endl;
}
