#include "model/genotype.h"

#include <new>

#include "support/globaldef.h"

#if defined(__SANITIZE_ADDRESS__)
#define TGENO_PLAIN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TGENO_PLAIN_HEAP 1
#endif
#endif

#ifndef TGENO_PLAIN_HEAP
namespace {

// One individual's storage, or the link to the next free one.
union Slot {
  Slot* next;
  alignas(Tgeno) unsigned char bytes[sizeof(Tgeno)];
};

// A block of slots, handed out in address order the first time; a block
// carries the link to the block made before it.
struct Block {
  Block* older;
};

std::size_t const SLOTS_PER_BLOCK = 8192;
// The link of a block takes the room of its first slot, which keeps the
// slots after it aligned.
static_assert(sizeof(Block) <= sizeof(Slot), "a slot must hold the link of a block");
std::size_t const SLOTS_OFFSET = sizeof(Slot);

Block* newest = nullptr;
Slot* fresh = nullptr;       // next never-used slot of the newest block
Slot* fresh_end = nullptr;   // end of the newest block
Slot* free_slots = nullptr;  // slots given back, the last one first
std::size_t live = 0;

Slot* first_slot(Block* b) {
  return reinterpret_cast<Slot*>(reinterpret_cast<unsigned char*>(b) + SLOTS_OFFSET);
}

void add_block() {
  void* raw = ::operator new(SLOTS_OFFSET + SLOTS_PER_BLOCK * sizeof(Slot));
  Block* b = static_cast<Block*>(raw);
  b->older = newest;
  newest = b;
  fresh = first_slot(b);
  fresh_end = fresh + SLOTS_PER_BLOCK;
}

// Once no individual is left (so at least one block exists), the memory goes
// back but for the newest block, which starts afresh: a run that ends, or a
// test that makes one individual at a time, neither keeps its peak nor asks
// for a block at every step.
void all_given_back() {
  Block* b = newest->older;
  while (b != nullptr) {
    Block* older = b->older;
    ::operator delete(b);
    b = older;
  }
  newest->older = nullptr;
  fresh = first_slot(newest);
  free_slots = nullptr;
}

}  // namespace
#endif

void* Tgeno::operator new(std::size_t size) {
#ifndef TGENO_PLAIN_HEAP
  if (size == sizeof(Slot)) {
    Slot* s = free_slots;
    if (s != nullptr) {
      free_slots = s->next;
    } else {
      if (fresh == fresh_end) add_block();
      s = fresh++;
    }
    ++live;
    return s;
  }
#endif
  return ::operator new(size);
}

void Tgeno::operator delete(void* p, std::size_t size) noexcept {
  if (p == nullptr) return;
#ifndef TGENO_PLAIN_HEAP
  if (size == sizeof(Slot)) {
    Slot* s = static_cast<Slot*>(p);
    s->next = free_slots;
    free_slots = s;
    if (--live == 0) all_given_back();
    return;
  }
#endif
  (void)size;
  ::operator delete(p);
}

// Zero and null (static storage) until the run sets them.
std::vector<Tallele*>* Tgeno::_pallelevect;
int Tgeno::_init_num_allele;
int Tgeno::_init_num_allele_per_grp;

// Bounds-checked lookup: an id outside the table yields no allele rather than
// a read past the vector.
Tallele* Tgeno::table_entry(int const& id) {
  if (_pallelevect == nullptr || id < 0 ||
      static_cast<std::size_t>(id) >= _pallelevect->size()) {
    return nullptr;
  }
  return (*_pallelevect)[static_cast<std::size_t>(id)];
}

Tgeno::Tgeno() : _allele1(nullptr), _allele2(nullptr), _f1(0.0f), _f2(0.0f) {
  addgeno();
}

Tgeno::Tgeno(int const& a, int const& b)
    : _allele1(table_entry(a)), _allele2(table_entry(b)), _f1(0.0f), _f2(0.0f) {}

Tgeno::Tgeno(int const& pool, float const& p0)
    : _allele1(nullptr), _allele2(nullptr), _f1(0.0f), _f2(0.0f) {
  draw_initial(pool, p0);
}

Tgeno::Tgeno(bool const& make, int const& pool, float const& p0)
    : _allele1(nullptr), _allele2(nullptr), _f1(0.0f), _f2(0.0f) {
  initialize(make, pool, p0);
}

Tgeno::Tgeno(float const& f, int const& a, int const& b)
    : _allele1(nullptr), _allele2(nullptr), _f1(0.0f), _f2(0.0f) {
  initialize(f, a, b);
}

Tgeno::~Tgeno() {}

// Turns an allele number into its table entry; the number equal to the table's
// length appends the allele first, so that _id stays equal to the index. Any
// other number outside the table is refused (null).
static Tallele* entry_or_append(int const& id) {
  std::vector<Tallele*>* table = Tgeno::_pallelevect;
  if (table == nullptr || id < 0) return nullptr;
  std::size_t const uid = static_cast<std::size_t>(id);
  if (uid > table->size()) return nullptr;
  if (uid == table->size()) table->push_back(new Tallele(id));
  return (*table)[uid];
}

void Tgeno::set_alleles(int const& a, int const& b) {
  Tallele* e1 = entry_or_append(a);
  if (e1 != nullptr) _allele1 = e1;
  Tallele* e2 = entry_or_append(b);
  if (e2 != nullptr) _allele2 = e2;
}

void Tgeno::set_allele1(int const& id) {
  Tallele* entry = table_entry(id);
  if (entry != nullptr) _allele1 = entry;
}

void Tgeno::set_allele2(int const& id) {
  Tallele* entry = entry_or_append(id);
  if (entry != nullptr) _allele2 = entry;
}

int Tgeno::draw_allele() {
  if (_init_num_allele < 1) return 0;
  return getint(_init_num_allele);
}

int Tgeno::draw_allele(int const& pool) {
  int const k = _init_num_allele_per_grp;
  if (k < 1) return 0;  // no pool to draw from; the settings check refuses such runs
  return getint(k) + pool * k;
}

int Tgeno::draw_allele_with_freq_init(float const& p0, int const& pool) {
  if (!(p0 > 0.0f)) return draw_allele(pool);  // NaN lands here too
  double const u = getfloat();
  if (u <= static_cast<double>(p0)) return 0;
  if (_init_num_allele_per_grp < 2) return 0;
  int id;
  do {
    id = draw_allele(pool);
  } while (id == 0);
  return id;
}

void Tgeno::draw_initial(int const& pool, float const& p0) {
  int const id1 = draw_allele_with_freq_init(p0, pool);
  int const id2 = draw_allele_with_freq_init(p0, pool);
  _allele1 = table_entry(id1);
  _allele2 = table_entry(id2);
  if (_allele1 != nullptr) _allele1->_count += 1.0;
  if (_allele2 != nullptr) _allele2->_count += 1.0;
  _f1 = 0.0f;
}

void Tgeno::initialize(bool const& make, int const& pool, float const& p0) {
  if (make) {
    draw_initial(pool, p0);
  } else {
    _allele1 = nullptr;
    _allele2 = nullptr;
    _f1 = 0.0f;
  }
}

void Tgeno::initialize(float const& f, int const& a, int const& b) {
  _allele1 = table_entry(a);
  _allele2 = table_entry(b);
  _f1 = 0.0f;
  _f2 = f;
}

void Tgeno::addgeno() {
  int const id1 = draw_allele(0);
  int const id2 = draw_allele(0);
  _allele1 = table_entry(id1);
  _allele2 = table_entry(id2);
  _f1 = 0.0f;
}

void Tgeno::set_first_allele_to_0() {
  Tallele* entry = table_entry(0);
  if (entry != nullptr) _allele1 = entry;
}

void Tgeno::associate_init_alleles() {}

Tgeno& Tgeno::operator=(Tgeno const& other) {
  _allele1 = other._allele1;
  _allele2 = other._allele2;
  _f1 = other._f1;
  _f2 = other._f2;
  return *this;
}

bool Tgeno::operator==(Tgeno const& other) {
  return _allele1 == other._allele1 && _allele2 == other._allele2 && _f1 == other._f1 &&
         _f2 == other._f2;
}
