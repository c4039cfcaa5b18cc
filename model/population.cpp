#include "model/population.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "model/model_detail.h"
#include "support/globaldef.h"

namespace {

// Most individuals one deme's list may hold (about 9 GB with its genotypes).
const double MAX_INDIVIDUALS = 100000000.0;

// Releases every individual of a list (null entries skipped) and empties it.
void destroy_all(std::vector<Tgeno*>& list) {
  for (Tgeno* g : list) delete g;
  list.clear();
}

}  // namespace

void model_detail::move_tail(std::vector<Tgeno*>& list, std::size_t keep, std::vector<Tgeno*>* surplus) {
  while (list.size() > keep) {
    Tgeno* g = list.back();
    list.pop_back();
    if (surplus != nullptr) {
      surplus->push_back(g);
    } else {
      delete g;
    }
  }
}

Tpop::Tpop() : _current(nullptr), _next(nullptr) { initialize(); }

Tpop::Tpop(int const& N, int const& id, int const& row, int const& col)
    : _current(nullptr), _next(nullptr) {
  initialize(N, id, row, col);
}

// A copy refers to its own buffers, never to the source's (see operator=).
Tpop::Tpop(Tpop const& other) : _current(nullptr), _next(nullptr) {
  initialize();
  *this = other;
}

Tpop::~Tpop() {}

void Tpop::initialize() {
  _size = 0.0;
  _next_size = 0.0;
  _k = 0.0;
  _r = 0.0f;
  _m = 0.0f;
  _growth_rest = 0.0f;
  _rest_unused = 0.0f;
  _s = 0.0f;
  _group = 0;
  _sample_size = 0;
  _inactive = false;
  _freq_mode = false;
  _freq_ready = false;
  _back_to_ind = false;
  _n_immigrants = 0;
  _id = 0;
  _row = 0;
  _col = 0;
  _n_nbr = 0;
  for (int k = 0; k < 4; ++k) {
    _emig_rest[k] = 0.0f;
    _nbr[k] = 0;
    _mig_factor[k] = 0.0f;
    _kzero[k] = false;
  }
}

void Tpop::initialize(int const& N, int const& id, int const& row, int const& col) {
  initialize();
  _size = static_cast<double>(N);
  _id = id;
  _row = row;
  _col = col;
}

void Tpop::create_ind_vector(int const& n, int const& pool, float const& p0) {
  _current = &_inds_a;
  _next = &_inds_b;
  if (n < 1) return;
  _inds_a.reserve(_inds_a.size() + static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) _inds_a.push_back(new Tgeno(pool, p0));
  _inds_b.reserve(_inds_b.size() + static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) _inds_b.push_back(new Tgeno(pool, p0));
}

// Hands the whole next list to the surplus list, last individual first.
void Tpop::empty_next_into(std::vector<Tgeno*>* surplus) {
  if (_next == nullptr) return;
  model_detail::move_tail(*_next, 0, surplus);
}

void Tpop::logistic_growth(std::vector<Tgeno*>* surplus) {
  if (_k == 0.0) {
    _next_size = 0.0;
    // A deme without capacity has no next generation: its offspring list
    // must agree with the size of 0 so that it neither reproduces nor sends
    // emigrants.
    if (!_freq_mode) empty_next_into(surplus);
    return;
  }
  if (!_freq_mode && !_back_to_ind) {
    float const parents = (_current != nullptr) ? static_cast<float>(_current->size()) : 0.0f;
    _size = static_cast<double>(parents + _growth_rest);
  }
  _back_to_ind = false;

  double n_new = (static_cast<double>(1.0f + _r) * _size) /
                 ((static_cast<double>(_r) / _k) * _size + 1.0);
  if (!std::isfinite(n_new) || n_new < 0.0) {
    // Outside the range of the growth model: the deme empties rather than
    // holding a negative or undefined number of individuals.
    _growth_rest = 0.0f;
    _next_size = 0.0;
    if (!_freq_mode) empty_next_into(surplus);
    return;
  }
  _growth_rest = static_cast<float>(std::fmod(n_new, 1.0));
  n_new = std::floor(n_new);
  if (static_cast<double>(_growth_rest) > 0.99999) {
    n_new += 1.0;
    _growth_rest = 0.0f;
  }
  if (!_freq_mode && n_new > MAX_INDIVIDUALS) {
    // Only a growth rate far outside the model (a prior drawn into the
    // hundreds, say) jumps this far in one generation; a list that size would
    // exhaust the memory before the deme could switch to frequency mode.
    AOS << "WARNING: Pop [" << (_id + 1) << "] cannot grow to " << n_new << " individuals: its next size is cut to "
        << MAX_INDIVIDUALS << "!" << std::endl;
    n_new = MAX_INDIVIDUALS;
    _growth_rest = 0.0f;
  }
  _next_size = n_new;

  if (_freq_mode || _next == nullptr) return;

  double const len = static_cast<double>(_next->size());
  if (n_new > len) {
    std::size_t const target = static_cast<std::size_t>(n_new);
    while (_next->size() < target) _next->push_back(new Tgeno());
  } else if (n_new < len) {
    model_detail::move_tail(*_next, static_cast<std::size_t>(n_new), surplus);
  }
}

void Tpop::delete_sup_ind(std::vector<Tgeno*>* surplus) {
  if (surplus == nullptr) return;
  destroy_all(*surplus);
}

void Tpop::Update_ind_lists() {
  std::vector<Tgeno*>* t = _current;
  _current = _next;
  _next = t;
  if (_freq_mode) {
    _n_immigrants = 0;
    _size = _next_size;
  }
}

void Tpop::delete_ind_vector() {
  destroy_all(_inds_a);
  destroy_all(_inds_b);
  destroy_all(_immigrants);
  _current = nullptr;
  _next = nullptr;
}

void Tpop::createfreqarrays(int const& n) {
  if (n < 1) return;
  std::size_t const add = static_cast<std::size_t>(n);
  _freq.insert(_freq.end(), add, 0.0f);
  _gam1.insert(_gam1.end(), add, 0.0f);
  _gam2.insert(_gam2.end(), add, 0.0f);
  _imm_alleles.insert(_imm_alleles.end(), add, 0);
}

void Tpop::updatefreqvect() {
  _freq.push_back(0.0f);
  _gam1.push_back(0.0f);
  _gam2.push_back(0.0f);
  _imm_alleles.push_back(0);
}

void Tpop::growfreqarrays(std::size_t const& n) {
  _freq.resize(std::max(_freq.size(), n), 0.0f);
  _gam1.resize(std::max(_gam1.size(), n), 0.0f);
  _gam2.resize(std::max(_gam2.size(), n), 0.0f);
  _imm_alleles.resize(std::max(_imm_alleles.size(), n), 0);
}

void Tpop::deletefreqarrays() {
  _freq.clear();
  _gam1.clear();
  _gam2.clear();
  _imm_alleles.clear();
}

namespace {

// Maps a list pointer of `from` onto the same buffer of `to`; a pointer that
// is not one of `from`'s buffers (null included) is kept as it is.
std::vector<Tgeno*>* same_buffer(const Tpop& from, std::vector<Tgeno*>* p, Tpop& to) {
  if (p == &from._inds_a) return &to._inds_a;
  if (p == &from._inds_b) return &to._inds_b;
  return p;
}

// True when the two pointers select the same role (A or B) in their own deme,
// or are the same foreign pointer.
bool same_role(const Tpop& x, const std::vector<Tgeno*>* px, const Tpop& y,
               const std::vector<Tgeno*>* py) {
  bool const xa = px == &x._inds_a, xb = px == &x._inds_b;
  bool const ya = py == &y._inds_a, yb = py == &y._inds_b;
  if (xa || xb || ya || yb) return xa == ya && xb == yb;
  return px == py;
}

}  // namespace

Tpop& Tpop::operator=(Tpop const& other) {
  if (this == &other) return *this;
  _size = other._size;
  _next_size = other._next_size;
  _k = other._k;
  _r = other._r;
  _m = other._m;
  _growth_rest = other._growth_rest;
  _rest_unused = other._rest_unused;
  for (int k = 0; k < 4; ++k) _emig_rest[k] = other._emig_rest[k];
  _s = other._s;
  _group = other._group;
  _sample_size = other._sample_size;
  _inactive = other._inactive;
  _freq_mode = other._freq_mode;
  _freq_ready = other._freq_ready;
  _back_to_ind = other._back_to_ind;
  _inds_a = other._inds_a;
  _inds_b = other._inds_b;
  _immigrants = other._immigrants;
  _current = same_buffer(other, other._current, *this);
  _next = same_buffer(other, other._next, *this);
  _freq = other._freq;
  _gam1 = other._gam1;
  _gam2 = other._gam2;
  _imm_alleles = other._imm_alleles;
  _n_immigrants = other._n_immigrants;
  _id = other._id;
  _row = other._row;
  _col = other._col;
  for (int k = 0; k < 4; ++k) _nbr[k] = other._nbr[k];
  _n_nbr = other._n_nbr;
  for (int k = 0; k < 4; ++k) _mig_factor[k] = other._mig_factor[k];
  for (int k = 0; k < 4; ++k) _kzero[k] = other._kzero[k];
  return *this;
}

bool Tpop::operator==(Tpop const& other) {
  if (!(_size == other._size && _next_size == other._next_size && _k == other._k &&
        _r == other._r && _m == other._m && _growth_rest == other._growth_rest &&
        _rest_unused == other._rest_unused && _s == other._s &&
        _inactive == other._inactive && _freq_mode == other._freq_mode &&
        _freq_ready == other._freq_ready && _back_to_ind == other._back_to_ind &&
        _n_immigrants == other._n_immigrants && _id == other._id && _row == other._row &&
        _col == other._col && _n_nbr == other._n_nbr)) {
    return false;
  }
  for (int k = 0; k < 4; ++k) {
    if (!(_emig_rest[k] == other._emig_rest[k] && _nbr[k] == other._nbr[k] &&
          _mig_factor[k] == other._mig_factor[k] && _kzero[k] == other._kzero[k])) {
      return false;
    }
  }
  return _inds_a == other._inds_a && _inds_b == other._inds_b &&
         _immigrants == other._immigrants && same_role(*this, _current, other, other._current) &&
         same_role(*this, _next, other, other._next) && _freq == other._freq &&
         _gam1 == other._gam1 && _gam2 == other._gam2 && _imm_alleles == other._imm_alleles;
}

std::vector<Tgeno*>* Tpop::list_of(ind_vector_type list) const {
  return list == IND_NEXT ? _next : _current;
}
