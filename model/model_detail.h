#ifndef TESSAREL_MODEL_MODEL_DETAIL_H
#define TESSAREL_MODEL_MODEL_DETAIL_H

// Steps shared by the model's sources; not part of its interface.
#include <cstddef>
#include <vector>

#include "model/genotype.h"
#include "settings/settings.h"

namespace model_detail {

// Takes the individuals beyond the first `keep` off the end of a list, last
// first, into the surplus list (or deletes them when there is none).
void move_tail(std::vector<Tgeno*>& list, std::size_t keep, std::vector<Tgeno*>* surplus);

// The alleles whose frequency is not 0, in number order.
void alleles_held(std::vector<float> const& freq, std::vector<std::size_t>& held);

// Draws one gene copy from a pool of `copies` copies whose allele
// frequencies are `freq`, and takes it out of the pool. Returns the allele,
// or 0 when the draw falls in no interval (the pool is then unchanged). When
// the drawn copy was the pool's last one, nothing is left to renormalise:
// the frequencies are all set to 0 if `last_clears`, else left as they are.
// `held` lists at least the alleles of non-zero frequency (alleles_held):
// the others can be neither drawn nor changed, so only the listed ones are
// visited, and a pool drawn copy by copy costs what the deme holds rather
// than the whole allele table for every copy.
int take_copy(std::vector<float>& freq, std::vector<std::size_t> const& held, long long copies,
              bool last_clears);

// Loss of fitness of a heterozygote relative to s in the asymmetric model:
// 1 - 1/L with the integer division of the locus length L (0 counts as 1).
inline float heterozygote_loss(const Tsettings* settings) {
  int const L = settings != nullptr ? settings->_locus_length : 1;
  int const inv_l = L != 0 ? 1 / L : 1;
  return static_cast<float>(1 - inv_l);
}

}  // namespace model_detail

#endif
