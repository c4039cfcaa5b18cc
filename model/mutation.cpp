#include <ostream>

#include "model/population.h"
#include "support/globaldef.h"

int Tpop::Add_mutation(int const& newid, int const& ind) {
  // An out-of-range request changes nothing; reporting newid as the former
  // allele makes the caller see a mutation without effect.
  if (_current == nullptr || ind < 0 || static_cast<std::size_t>(ind) >= _current->size()) {
    return newid;
  }
  Tgeno* g = (*_current)[static_cast<std::size_t>(ind)];
  if (g == nullptr || g->_allele1 == nullptr || Tgeno::_pallelevect == nullptr || newid < 0 ||
      static_cast<std::size_t>(newid) >= Tgeno::_pallelevect->size()) {
    return newid;
  }
  int const former = g->_allele1->_id;
  g->set_allele1(newid);
  return former;
}

int Tpop::Add_mutation(int const& newid) {
  float const u = static_cast<float>(getfloat());
  float const two_n = static_cast<float>(2.0 * _size);
  // An empty deme has no copy to replace; its new allele gets no frequency.
  float const f = two_n > 0.0f ? 1.0f / two_n : 0.0f;

  int former = 0;
  float sum = 0.0f;
  std::size_t const n = _freq.size();
  for (std::size_t i = 0; i < n; ++i) {
    float const next = sum + _freq[i];
    if (sum < u && u < next) {
      former = static_cast<int>(i);
      _freq[i] -= f;
      if (_freq[i] < 0.0f) {
        AOS << "ERROR: Frequency of allele a" << (i + 1)
            << " is smaller than 0 when adding a new mutation!" << std::endl;
      }
      break;
    }
    sum = next;
  }
  if (newid >= 0 && static_cast<std::size_t>(newid) < n) _freq[static_cast<std::size_t>(newid)] = f;
  if (former == newid) {
    AOS << "ERROR: allele is the same before and after mutation !" << std::endl;
  }
  AOS << " with a frequency equal to " << f << " (former allele = " << (former + 1) << ")"
      << std::endl;
  return former;
}
