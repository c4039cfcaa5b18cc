// One generation of reproduction of a deme that keeps its individuals, and
// the rebuilding of individuals when a deme leaves frequency mode.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <vector>

#include "model/model_detail.h"
#include "model/population.h"
#include "settings/settings.h"
#include "support/globaldef.h"

namespace {

enum IndModel { SYM_OVER = 0, ASYM_OVER = 1, RARE_ALLELE = 2, DOMINANCE = 3 };

int const MAX_ATTEMPTS = 1000;

char const* const MSG_SAME_PARENT =
    "WARNING: unable to find two different individuals in the deme after 1000 attempts";
char const* const MSG_NO_HETEROZYGOTE = "Warning : unable to find an heterozygote, skipped.";

int allele_number(Tallele const* a) { return a != nullptr ? a->_id : 0; }

// Allele number of gene copy x of the parents: even copies are first alleles.
int copy_allele(std::vector<Tgeno*> const& parents, int x) {
  Tgeno const* g = parents[static_cast<std::size_t>(x / 2)];
  return allele_number(x % 2 == 0 ? g->_allele1 : g->_allele2);
}

// How many individuals ahead the loops over a list ask for the memory: the
// individuals lie wherever the heap put them.
std::size_t const PREFETCH_AHEAD = 16;

// The parents' gene copies as allele numbers, copy x at index x, laid out
// once per generation: every draw then reads one small number instead of
// following a parent pointer and an allele pointer to memory far apart. The
// narrowest type that holds every number keeps the layout in the faster
// caches (one byte per copy while the table has at most 256 alleles). The
// buffers are kept between calls, so that a generation allocates nothing
// once it has reached its size.
template <class Id>
std::vector<Id>& copy_buffer() {
  static std::vector<Id> buffer;
  return buffer;
}

// Fills the buffer of type Id; false when some number does not fit in it
// (never for int). `complete` tells whether every copy refers to an allele.
template <class Id>
bool lay_out_copies(std::vector<Tgeno*> const& parents, Id const*& copies, bool& complete) {
  complete = true;
  std::vector<Id>& ids = copy_buffer<Id>();
  ids.resize(2 * parents.size());
  Id* out = ids.data();
  long const top = static_cast<long>(std::numeric_limits<Id>::max());
  std::size_t const n = parents.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i + PREFETCH_AHEAD < n) __builtin_prefetch(parents[i + PREFETCH_AHEAD]);
    Tgeno const* g = parents[i];
    if (g->_allele1 == nullptr || g->_allele2 == nullptr) complete = false;
    int const a = allele_number(g->_allele1);
    int const b = allele_number(g->_allele2);
    if (sizeof(Id) < sizeof(int) && (a < 0 || b < 0 || a > top || b > top)) return false;
    *out++ = static_cast<Id>(a);
    *out++ = static_cast<Id>(b);
  }
  copies = ids.data();
  return true;
}

// The parents' allele counts from the laid-out copies, the same sums as
// counting over the individuals when every copy refers to an allele.
template <class Id>
void count_copies(Id const* copies, std::size_t n, std::vector<double>& counts) {
  std::size_t const slots = counts.size();
  for (std::size_t x = 0; x < n; ++x) {
    long const id = static_cast<long>(copies[x]);
    if (id >= 0 && static_cast<std::size_t>(id) < slots) counts[static_cast<std::size_t>(id)] += 1.0;
  }
}

// Same effect as Tgeno::set_alleles, without the call, for numbers that the
// parents carried (always inside the allele table); anything else takes the
// general path.
inline void set_offspring(Tgeno* g, int id1, int id2) {
  std::vector<Tallele*> const* table = Tgeno::_pallelevect;
  std::size_t const n = table != nullptr ? table->size() : 0;
  if (id1 >= 0 && id2 >= 0 && static_cast<std::size_t>(id1) < n && static_cast<std::size_t>(id2) < n) {
    Tallele* const e1 = (*table)[static_cast<std::size_t>(id1)];
    Tallele* const e2 = (*table)[static_cast<std::size_t>(id2)];
    if (e1 != nullptr) g->_allele1 = e1;
    if (e2 != nullptr) g->_allele2 = e2;
  } else {
    g->set_alleles(id1, id2);
  }
}

// The neighbour in the list that stands in for a parent drawn twice.
int partner_of(int parent, int P) { return parent < P - 1 ? parent + 1 : parent - 1; }

// Draws pairs of gene copies until they come from two parents; after 1000
// pairs the last one is kept.
void redraw_pair(int two_p, int& a, int& b) {
  for (int k = 1;; ++k) {
    a = getint(two_p);
    b = getint(two_p);
    if (a / 2 != b / 2) return;
    if (k >= MAX_ATTEMPTS) {
      AOS << MSG_SAME_PARENT << std::endl;
      return;
    }
  }
}

// Redraws one gene copy until its parent differs from `other`; after 1000
// draws the last one is kept.
int redraw_copy(int two_p, int other) {
  for (int k = 1;; ++k) {
    int const x = getint(two_p);
    if (x / 2 != other) return x;
    if (k >= MAX_ATTEMPTS) {
      AOS << MSG_SAME_PARENT << std::endl;
      return x;
    }
  }
}

std::vector<double>& count_buffer() {
  static std::vector<double> buffer;
  return buffer;
}

// Gamete test of the rare-allele model: a copy is kept with probability
// 1 - s f, f being its allele's frequency among the parents.
bool rare_allele_passes(std::vector<double> const& counts, int id, int two_p, float s) {
  double const c = (id >= 0 && static_cast<std::size_t>(id) < counts.size())
                       ? counts[static_cast<std::size_t>(id)]
                       : 0.0;
  float const f = static_cast<float>(c / static_cast<double>(two_p));
  double const u = getfloat();
  return !(static_cast<double>(f * s) > u);
}

template <class Id>
void offspring_sym(Id const* copies, int P, float s, int& id1, int& id2) {
  int const two_p = 2 * P;
  int a = getint(two_p);
  int b = getint(two_p);
  while (b / 2 == a / 2) b = getint(two_p);
  id1 = copies[a];
  id2 = copies[b];
  int rejected = 0;
  for (;;) {
    if (id1 != id2) return;
    float const u = static_cast<float>(getfloat());
    if (!(s > u)) return;
    ++rejected;
    redraw_pair(two_p, a, b);
    id1 = copies[a];
    id2 = copies[b];
    if (rejected >= MAX_ATTEMPTS) return;  // kept without a test, silently
  }
}

template <class Id>
void offspring_asym(Id const* copies, int P, float s, float het_loss, int& id1,
                    int& id2) {
  int const two_p = 2 * P;
  int a = getint(two_p);
  int b = getint(two_p);
  id1 = copies[a];
  if (a / 2 == b / 2) {
    int const partner = partner_of(a / 2, P);
    id2 = copies[2 * partner + b % 2];
  } else {
    id2 = copies[b];
  }
  int rejected = 0;
  for (;;) {
    double const u = getfloat();
    bool const rejects = id1 == id2 ? static_cast<double>(s) > u
                                    : static_cast<double>(het_loss * s) > u;
    if (!rejects) return;
    ++rejected;
    redraw_pair(two_p, a, b);
    id1 = copies[a];
    id2 = copies[b];
    if (rejected >= MAX_ATTEMPTS) {
      AOS << MSG_NO_HETEROZYGOTE << std::endl;
      return;
    }
  }
}

template <class Id>
void offspring_rare(Id const* copies, std::vector<double> const& counts, int P,
                    float s, int& id1, int& id2) {
  int const two_p = 2 * P;
  int a = getint(two_p);
  int b = getint(two_p);
  int parent2;
  id1 = copies[a];
  if (a / 2 == b / 2) {
    parent2 = partner_of(a / 2, P);
    id2 = copies[2 * parent2 + b % 2];
  } else {
    parent2 = b / 2;
    id2 = copies[b];
  }

  int rejected = 0;
  while (!rare_allele_passes(counts, id1, two_p, s)) {
    ++rejected;
    a = redraw_copy(two_p, parent2);
    id1 = copies[a];
    if (rejected >= MAX_ATTEMPTS) break;  // kept without a test
  }

  rejected = 0;
  while (!rare_allele_passes(counts, id2, two_p, s)) {
    ++rejected;
    b = redraw_copy(two_p, a / 2);
    id2 = copies[b];
    if (rejected >= MAX_ATTEMPTS) {
      AOS << MSG_NO_HETEROZYGOTE << std::endl;
      break;
    }
  }
}

template <class Id>
void offspring_dominance(Id const* copies, int P, float s, int& id1, int& id2) {
  int const two_p = 2 * P;
  int a = getint(two_p);
  int b = getint(two_p);
  id1 = copies[a];
  id2 = copies[b];
  double const keep = 1.0 - static_cast<double>(s);
  int rejected = 0;
  for (;;) {
    bool passes = id1 == 0 || id2 == 0 || getfloat() <= keep;
    if (passes && a / 2 != b / 2) return;
    ++rejected;
    a = getint(two_p);
    id1 = copies[a];
    b = getint(two_p);
    id2 = copies[b];
    // No pair may pass at all (s >= 1 without allele 0): the bound keeps the
    // generation finite, as in the other models.
    if (rejected >= MAX_ATTEMPTS) {
      AOS << MSG_NO_HETEROZYGOTE << std::endl;
      return;
    }
  }
}

// Offspring of one generation from the laid-out copies. The rare-allele
// model reads the parents' counts; `count` asks for them to be made here.
template <class Id>
void offspring_loop(Tpop& pop, std::vector<Tgeno*>& next, Id const* copies, bool complete,
                    bool count, std::vector<double>& counts, Tsettings* settings, int P, float s,
                    float het_loss, IndModel model) {
  if (count) {
    if (complete)
      count_copies(copies, 2 * static_cast<std::size_t>(P), counts);
    else
      pop.quick_count_allele_freq(IND_CURRENT, nullptr, &counts, settings);
  }
  std::size_t const n = next.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i + PREFETCH_AHEAD < n) __builtin_prefetch(next[i + PREFETCH_AHEAD], 1);
    Tgeno* const g = next[i];
    int id1 = 0;
    int id2 = 0;
    switch (model) {
      case SYM_OVER:
        offspring_sym(copies, P, s, id1, id2);
        break;
      case ASYM_OVER:
        offspring_asym(copies, P, s, het_loss, id1, id2);
        break;
      case RARE_ALLELE:
        offspring_rare(copies, counts, P, s, id1, id2);
        break;
      case DOMINANCE:
        offspring_dominance(copies, P, s, id1, id2);
        break;
    }
    set_offspring(g, id1, id2);
  }
}

void ind_generation(Tpop& pop, std::ofstream* out, std::vector<Tallele*>* alleles,
                    Tsettings* settings, std::vector<Tgeno*>* surplus, IndModel model) {
  if (pop._freq_ready) pop.transformFreqToIndMode(surplus);

  bool const report = settings != nullptr && settings->_intermediate_output != 0;
  std::vector<double>& counts = count_buffer();
  // Read only by the row and by the rare-allele model: zeroing a slot per
  // allele for every deme would cost demes x alleles each generation.
  if (report || model == RARE_ALLELE) counts.assign(alleles != nullptr ? alleles->size() : 0, 0.0);
  // Without a row to write, the counts serve the rare-allele model only and
  // come from the layout of the parents' copies further down.
  bool const count_later = !report && model == RARE_ALLELE;
  if (report) pop.quick_count_allele_freq(IND_CURRENT, out, &counts, settings);
  if (report && alleles != nullptr) {
    for (std::size_t k = 0; k < alleles->size() && k < counts.size(); ++k) {
      if ((*alleles)[k] != nullptr) (*alleles)[k]->_count += counts[k];
    }
  }

  if (pop._next == nullptr || pop._next->empty()) return;
  std::vector<Tgeno*>& next = *pop._next;
  static std::vector<Tgeno*> no_parents;
  std::vector<Tgeno*> const& parents = pop._current != nullptr ? *pop._current : no_parents;
  int const P = static_cast<int>(parents.size());

  if (P == 0) {
    // Nobody to descend from: the offspring slots are handed back to the
    // caller, and the deme stays empty.
    model_detail::move_tail(next, 0, surplus);
    pop._next_size = 0.0;
    return;
  }

  if (P == 1) {
    int const id1 = allele_number(parents[0]->_allele1);
    int const id2 = allele_number(parents[0]->_allele2);
    for (Tgeno* g : next) g->set_alleles(id1, id2);
    return;
  }

  float const s = pop._s;
  float const het_loss = model == ASYM_OVER ? model_detail::heterozygote_loss(settings) : 0.0f;

  std::size_t const table_size = Tgeno::_pallelevect != nullptr ? Tgeno::_pallelevect->size() : 0;
  std::uint8_t const* narrow = nullptr;
  std::uint16_t const* middle = nullptr;
  int const* wide = nullptr;
  bool complete = true;
  if (table_size <= 256 && lay_out_copies(parents, narrow, complete)) {
    offspring_loop(pop, next, narrow, complete, count_later, counts, settings, P, s, het_loss, model);
  } else if (table_size <= 65536 && lay_out_copies(parents, middle, complete)) {
    offspring_loop(pop, next, middle, complete, count_later, counts, settings, P, s, het_loss, model);
  } else if (lay_out_copies(parents, wide, complete)) {
    offspring_loop(pop, next, wide, complete, count_later, counts, settings, P, s, het_loss, model);
  }
}

}  // namespace

void Tpop::transformFreqToIndMode(std::vector<Tgeno*>* surplus) {
  if (_current == nullptr) {
    _freq_ready = false;
    return;
  }
  std::vector<Tgeno*>& list = *_current;
  std::size_t const n_old = list.size();
  double const target = _next_size;
  if (target > static_cast<double>(n_old)) {
    while (static_cast<double>(list.size()) < target) list.push_back(new Tgeno());
  } else if (target < static_cast<double>(n_old)) {
    double const whole = std::trunc(target);
    model_detail::move_tail(list, whole > 0.0 ? static_cast<std::size_t>(whole) : 0, surplus);
  }

  // The pool must hold at least two copies per individual drawn, or the
  // updates would divide by zero or by a negative count.
  std::size_t const pool = n_old > list.size() ? n_old : list.size();
  long long c = 2 * static_cast<long long>(pool);
  for (Tgeno* g : list) {
    // The pool's last copy leaves nothing to renormalise, and nothing reads
    // the frequencies after the rebuild.
    int const id1 = model_detail::take_copy(_freq, c, false);
    int const id2 = model_detail::take_copy(_freq, c - 1, false);
    g->set_alleles(id1, id2);
    c -= 2;
  }
  _freq_ready = false;
}

void Tpop::newgeneration_symoverind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                    Tsettings* settings, std::vector<Tgeno*>* surplus) {
  ind_generation(*this, out, alleles, settings, surplus, SYM_OVER);
}

void Tpop::newgeneration_asymoverind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                     Tsettings* settings, std::vector<Tgeno*>* surplus) {
  ind_generation(*this, out, alleles, settings, surplus, ASYM_OVER);
}

void Tpop::newgeneration_rarealleleind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                       Tsettings* settings, std::vector<Tgeno*>* surplus) {
  ind_generation(*this, out, alleles, settings, surplus, RARE_ALLELE);
}

void Tpop::newgeneration_dominanceind(std::ofstream* out, std::vector<Tallele*>* alleles,
                                      Tsettings* settings, std::vector<Tgeno*>* surplus) {
  ind_generation(*this, out, alleles, settings, surplus, DOMINANCE);
}

void Tpop::draw_new_allele(int& r, int& ind, int& allele) {
  int const P = _current != nullptr ? static_cast<int>(_current->size()) : 0;
  if (P < 1) {
    // No parent, no gene copy to draw.
    r = ind = allele = -1;
    return;
  }
  r = getint(2 * P);
  ind = r / 2;
  allele = copy_allele(*_current, r);
}

bool Tpop::validate_allele(int const& a1, int const& a2, Tsettings* /*settings*/) {
  if (a1 == 0 || a2 == 0) return true;
  return getfloat() <= 1.0 - static_cast<double>(_s);
}
