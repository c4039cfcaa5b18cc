// One generation of reproduction of a deme that keeps its individuals, and
// the rebuilding of individuals when a deme leaves frequency mode.

#include <algorithm>
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

// How many individuals ahead the loops over a list ask for the memory: after
// some generations of migration a deme's individuals no longer lie side by
// side.
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

// What the layout found besides the numbers.
struct Layout {
  bool complete;     // every copy refers to an allele
  unsigned highest;  // largest number laid out (a negative one counts as huge)
};

// Fills the buffer of type Id; false when some number does not fit in it
// (never for unsigned). A missing individual or allele counts as allele 0.
template <class Id>
bool lay_out_copies(std::vector<Tgeno*> const& parents, Id const*& copies, Layout& found) {
  found.complete = true;
  found.highest = 0;
  std::vector<Id>& ids = copy_buffer<Id>();
  ids.resize(2 * parents.size());
  Id* out = ids.data();
  Tgeno* const* in = parents.data();
  unsigned const top = static_cast<unsigned>(std::numeric_limits<Id>::max());
  unsigned highest = 0;
  std::size_t const n = parents.size();
  for (std::size_t i = 0; i < n; ++i) {
    __builtin_prefetch(in[i + PREFETCH_AHEAD < n ? i + PREFETCH_AHEAD : i]);
    Tgeno const* g = in[i];
    Tallele const* p1 = g != nullptr ? g->_allele1 : nullptr;
    Tallele const* p2 = g != nullptr ? g->_allele2 : nullptr;
    unsigned a = 0;
    unsigned b = 0;
    if (p1 != nullptr && p2 != nullptr) {
      a = static_cast<unsigned>(p1->_id);
      b = static_cast<unsigned>(p2->_id);
    } else {
      found.complete = false;
      a = static_cast<unsigned>(allele_number(p1));
      b = static_cast<unsigned>(allele_number(p2));
    }
    highest = std::max(highest, std::max(a, b));
    out[0] = static_cast<Id>(a);
    out[1] = static_cast<Id>(b);
    out += 2;
  }
  found.highest = highest;
  if (sizeof(Id) < sizeof(unsigned) && highest > top) return false;
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

// Same effect as Tgeno::set_alleles. `table` is the allele table's storage
// when every number handed over lies inside it (the parents carried them),
// else null and the general path decides.
inline void set_offspring(Tgeno* g, Tallele* const* table, int id1, int id2) {
  if (g == nullptr) return;
  if (table != nullptr) {
    Tallele* const e1 = table[id1];
    Tallele* const e2 = table[id2];
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
    if ((a >> 1) != (b >> 1)) return;
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
    if ((x >> 1) != other) return x;
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

// Model 3 keeps a pair (a, b) of copies of two parents with probability 1
// when either copy is allele 0 and 1 - s otherwise. Its redraw has no bound
// of its own: once 1000 pairs have been rejected, the pair comes from this
// direct draw instead, whose law is exactly that of the redraw continued
// (each pair weighted by its chance to pass) and whose cost is bounded. The
// weight of a pair depends only on how many copies of allele 0 each of the
// two parents carries, so the parents are grouped by that number: a draw
// takes the class of the two parents, then the parents, then their copies.
class DominanceDraw {
public:
  DominanceDraw() : _ready(false), _keep(0.0), _total(0.0), _class_weight(), _start(), _count() {}

  void reset() { _ready = false; }
  bool ready() const { return _ready; }

  template <class Id>
  void build(Id const* copies, int P, float s) {
    double const keep = 1.0 - static_cast<double>(s);
    _keep = keep >= 1.0 ? 1.0 : (keep > 0.0 ? keep : 0.0);  // NaN passes nothing
    for (int t = 0; t < 3; ++t) _count[t] = 0;
    for (int i = 0; i < P; ++i) ++_count[zeros(copies, i)];
    _start[1] = _count[0];
    _start[2] = _count[0] + _count[1];
    _parents.resize(static_cast<std::size_t>(P));
    int fill[3] = {_start[0], _start[1], _start[2]};
    for (int i = 0; i < P; ++i) _parents[static_cast<std::size_t>(fill[zeros(copies, i)]++)] = i;
    _total = 0.0;
    for (int t = 0; t < 3; ++t) {
      for (int u = 0; u < 3; ++u) {
        double const pairs =
            static_cast<double>(_count[t]) * static_cast<double>(_count[u] - (t == u ? 1 : 0));
        double const others = static_cast<double>((2 - t) * (2 - u));  // pairs of copies without allele 0
        double const w = pairs * ((4.0 - others) + _keep * others);  // pairs is never negative
        _class_weight[3 * t + u] = w;
        _total += w;
      }
    }
    _ready = true;
  }

  // False when no pair of two parents can pass at all.
  bool can_pass() const { return _total > 0.0; }

  template <class Id>
  void draw(Id const* copies, int& a, int& b) const {
    int const cls = pick(_class_weight, 9, getfloat() * _total);
    int const t = cls / 3;
    int const u = cls % 3;
    int const first = getint(_count[t]);
    int const i = _parents[static_cast<std::size_t>(_start[t] + first)];
    int second;
    if (t != u) {
      second = _start[u] + getint(_count[u]);
    } else {
      int k = getint(_count[t] - 1);  // any parent of the class but the first
      if (k >= first) ++k;
      second = _start[t] + k;
    }
    int const j = _parents[static_cast<std::size_t>(second)];
    double w[4];
    double sum = 0.0;
    for (int c = 0; c < 4; ++c) {
      bool const carrier = copies[2 * i + (c >> 1)] == 0 || copies[2 * j + (c & 1)] == 0;
      w[c] = carrier ? 1.0 : _keep;
      sum += w[c];
    }
    int const c = pick(w, 4, getfloat() * sum);
    a = 2 * i + (c >> 1);
    b = 2 * j + (c & 1);
  }

private:
  template <class Id>
  static int zeros(Id const* copies, int i) {
    return (copies[2 * i] == 0 ? 1 : 0) + (copies[2 * i + 1] == 0 ? 1 : 0);
  }

  // The entry whose share of the running sum holds x; rounding at the top
  // end falls to the last entry of positive weight.
  static int pick(double const* w, int n, double x) {
    int last = 0;
    for (int k = 0; k < n; ++k) {
      if (!(w[k] > 0.0)) continue;
      if (x < w[k]) return k;
      x -= w[k];
      last = k;
    }
    return last;
  }

  bool _ready;
  double _keep;
  double _total;
  double _class_weight[9];
  int _start[3];  // _start[0] stays 0
  int _count[3];
  std::vector<int> _parents;
};

DominanceDraw& dominance_draw() {
  static DominanceDraw draw;
  return draw;
}

// One generation's parents as the offspring draws see them.
template <class Id>
struct Parents {
  Id const* copies;
  int P;
  int two_p;
  float s;
};

// Each model's offspring is a first pair, mostly kept, inline; the
// redraws after a rejection live apart, out of the way of the common case.

// A fresh pair of copies after a rejection; true once the bound of attempts
// is reached, when the pair is kept whatever it is.
template <class Id>
inline bool next_pair(Parents<Id> const& p, int rejected, int& id1, int& id2) {
  int a;
  int b;
  redraw_pair(p.two_p, a, b);
  id1 = p.copies[a];
  id2 = p.copies[b];
  return rejected >= MAX_ATTEMPTS;
}

template <class Id>
__attribute__((noinline)) void sym_redraws(Parents<Id> const& p, int& id1, int& id2) {
  for (int rejected = 1;; ++rejected) {
    if (next_pair(p, rejected, id1, id2)) return;  // silently
    if (id1 != id2) return;
    float const u = static_cast<float>(getfloat());
    if (!(p.s > u)) return;
  }
}

template <class Id>
inline void offspring_sym(Parents<Id> const& p, int& id1, int& id2) {
  int const a = getint(p.two_p);
  int b = getint(p.two_p);
  while ((b >> 1) == (a >> 1)) b = getint(p.two_p);
  id1 = p.copies[a];
  id2 = p.copies[b];
  if (id1 != id2) return;
  float const u = static_cast<float>(getfloat());
  if (p.s > u) sym_redraws(p, id1, id2);
}

inline bool asym_rejects(float s, float het_loss, int id1, int id2, double u) {
  return id1 == id2 ? static_cast<double>(s) > u : static_cast<double>(het_loss * s) > u;
}

template <class Id>
__attribute__((noinline)) void asym_redraws(Parents<Id> const& p, float het_loss, int& id1, int& id2) {
  for (int rejected = 1;; ++rejected) {
    if (next_pair(p, rejected, id1, id2)) {
      AOS << MSG_NO_HETEROZYGOTE << std::endl;
      return;
    }
    if (!asym_rejects(p.s, het_loss, id1, id2, getfloat())) return;
  }
}

template <class Id>
inline void offspring_asym(Parents<Id> const& p, float het_loss, int& id1, int& id2) {
  int const a = getint(p.two_p);
  int const b = getint(p.two_p);
  id1 = p.copies[a];
  if ((a >> 1) == (b >> 1)) {
    int const partner = partner_of(a >> 1, p.P);
    id2 = p.copies[2 * partner + (b & 1)];
  } else {
    id2 = p.copies[b];
  }
  if (asym_rejects(p.s, het_loss, id1, id2, getfloat())) asym_redraws(p, het_loss, id1, id2);
}

template <class Id>
void offspring_rare(Parents<Id> const& p, std::vector<double> const& counts, int& id1, int& id2) {
  int a = getint(p.two_p);
  int b = getint(p.two_p);
  int parent2;
  id1 = p.copies[a];
  if ((a >> 1) == (b >> 1)) {
    parent2 = partner_of(a >> 1, p.P);
    id2 = p.copies[2 * parent2 + (b & 1)];
  } else {
    parent2 = b >> 1;
    id2 = p.copies[b];
  }

  int rejected = 0;
  while (!rare_allele_passes(counts, id1, p.two_p, p.s)) {
    ++rejected;
    a = redraw_copy(p.two_p, parent2);
    id1 = p.copies[a];
    if (rejected >= MAX_ATTEMPTS) break;  // kept without a test
  }

  rejected = 0;
  while (!rare_allele_passes(counts, id2, p.two_p, p.s)) {
    ++rejected;
    b = redraw_copy(p.two_p, a >> 1);
    id2 = p.copies[b];
    if (rejected >= MAX_ATTEMPTS) {
      AOS << MSG_NO_HETEROZYGOTE << std::endl;
      break;
    }
  }
}

inline bool dominance_passes(int id1, int id2, double keep) {
  return id1 == 0 || id2 == 0 || getfloat() <= keep;
}

template <class Id>
__attribute__((noinline)) void dominance_redraws(Parents<Id> const& p, DominanceDraw& direct, int& id1,
                                                 int& id2) {
  double const keep = 1.0 - static_cast<double>(p.s);
  for (int rejected = 1; rejected < MAX_ATTEMPTS; ++rejected) {
    int const a = getint(p.two_p);
    id1 = p.copies[a];
    int const b = getint(p.two_p);
    id2 = p.copies[b];
    if (dominance_passes(id1, id2, keep) && (a >> 1) != (b >> 1)) return;
  }
  int a;
  int b;
  if (!direct.ready()) direct.build(p.copies, p.P, p.s);
  if (direct.can_pass()) {
    direct.draw(p.copies, a, b);
  } else {
    // No pair can pass (s >= 1 and no copy of allele 0): the next pair is
    // kept as it comes.
    a = getint(p.two_p);
    b = getint(p.two_p);
    AOS << MSG_NO_HETEROZYGOTE << std::endl;
  }
  id1 = p.copies[a];
  id2 = p.copies[b];
}

template <class Id>
inline void offspring_dominance(Parents<Id> const& p, DominanceDraw& direct, int& id1, int& id2) {
  int const a = getint(p.two_p);
  int const b = getint(p.two_p);
  id1 = p.copies[a];
  id2 = p.copies[b];
  if (!dominance_passes(id1, id2, 1.0 - static_cast<double>(p.s)) || (a >> 1) == (b >> 1)) {
    dominance_redraws(p, direct, id1, id2);
  }
}

// Writes the offspring that `draw` makes into the next list, in place.
template <class Draw>
void write_offspring(std::vector<Tgeno*>& next, Tallele* const* table, Draw draw) {
  Tgeno* const* out = next.data();
  std::size_t const n = next.size();
  std::size_t const ahead = n > PREFETCH_AHEAD ? n - PREFETCH_AHEAD : 0;
  std::size_t i = 0;
  int id1 = 0;
  int id2 = 0;
  for (; i < ahead; ++i) {
    __builtin_prefetch(out[i + PREFETCH_AHEAD], 1);
    draw(id1, id2);
    set_offspring(out[i], table, id1, id2);
  }
  for (; i < n; ++i) {
    draw(id1, id2);
    set_offspring(out[i], table, id1, id2);
  }
}

// Offspring of one generation from the laid-out copies. The rare-allele
// model reads the parents' counts; `count` asks for them to be made here.
template <class Id>
void offspring_loop(Tpop& pop, std::vector<Tgeno*>& next, Id const* copies, Layout const& found,
                    bool count, std::vector<double>& counts, Tsettings* settings, int P, float s,
                    float het_loss, IndModel model) {
  if (count) {
    if (found.complete)
      count_copies(copies, 2 * static_cast<std::size_t>(P), counts);
    else
      pop.quick_count_allele_freq(IND_CURRENT, nullptr, &counts, settings);
  }
  std::vector<Tallele*>* const alleles = Tgeno::_pallelevect;
  Tallele* const* table =
      alleles != nullptr && found.highest < alleles->size() ? alleles->data() : nullptr;
  Parents<Id> const p = {copies, P, 2 * P, s};
  switch (model) {
    case SYM_OVER:
      write_offspring(next, table, [&p](int& id1, int& id2) { offspring_sym(p, id1, id2); });
      break;
    case ASYM_OVER:
      write_offspring(next, table,
                      [&p, het_loss](int& id1, int& id2) { offspring_asym(p, het_loss, id1, id2); });
      break;
    case RARE_ALLELE:
      write_offspring(next, table,
                      [&p, &counts](int& id1, int& id2) { offspring_rare(p, counts, id1, id2); });
      break;
    case DOMINANCE: {
      DominanceDraw& direct = dominance_draw();
      direct.reset();
      write_offspring(next, table,
                      [&p, &direct](int& id1, int& id2) { offspring_dominance(p, direct, id1, id2); });
      break;
    }
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
    Tgeno const* only = parents[0];
    int const id1 = only != nullptr ? allele_number(only->_allele1) : 0;
    int const id2 = only != nullptr ? allele_number(only->_allele2) : 0;
    for (Tgeno* g : next) {
      if (g != nullptr) g->set_alleles(id1, id2);
    }
    return;
  }

  float const s = pop._s;
  float const het_loss = model == ASYM_OVER ? model_detail::heterozygote_loss(settings) : 0.0f;

  std::size_t const table_size = Tgeno::_pallelevect != nullptr ? Tgeno::_pallelevect->size() : 0;
  std::uint8_t const* narrow = nullptr;
  std::uint16_t const* middle = nullptr;
  unsigned const* wide = nullptr;
  Layout found;
  if (table_size <= 256 && lay_out_copies(parents, narrow, found)) {
    offspring_loop(pop, next, narrow, found, count_later, counts, settings, P, s, het_loss, model);
  } else if (table_size <= 65536 && lay_out_copies(parents, middle, found)) {
    offspring_loop(pop, next, middle, found, count_later, counts, settings, P, s, het_loss, model);
  } else if (lay_out_copies(parents, wide, found)) {
    offspring_loop(pop, next, wide, found, count_later, counts, settings, P, s, het_loss, model);
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
  std::size_t const pool = std::max(n_old, list.size());
  long long c = 2 * static_cast<long long>(pool);
  std::vector<std::size_t> held;
  model_detail::alleles_held(_freq, held);
  for (Tgeno* g : list) {
    // The pool's last copy leaves nothing to renormalise, and nothing reads
    // the frequencies after the rebuild.
    int const id1 = model_detail::take_copy(_freq, held, c, false);
    int const id2 = model_detail::take_copy(_freq, held, c - 1, false);
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
