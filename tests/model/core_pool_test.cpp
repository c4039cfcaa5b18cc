// Individuals share large blocks of storage: every live one must keep its
// own slot through any order of creation and deletion.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "world.h"

TEST(GenotypeStorage, LiveIndividualsKeepTheirOwnSlot) {
  World w(2, 2);
  std::vector<std::pair<Tgeno*, float> > live;
  std::vector<std::vector<float>*> others;  // plain heap blocks made in between
  float tag = 0.0f;
  auto make = [&](int n) {
    for (int i = 0; i < n; ++i, ++tag) {
      live.emplace_back(new Tgeno(tag, 1, 0), tag);
      if (i % 64 == 0) others.push_back(new std::vector<float>(6, tag));
    }
  };
  auto intact = [&]() {
    for (auto const& x : live) {
      if (x.first->_f2 != x.second || x.first->_allele1 != w.table[1] || x.first->_allele2 != w.table[0]) return false;
    }
    for (auto const* v : others) {
      if (*v != std::vector<float>(6, v->front())) return false;
    }
    return true;
  };
  for (int round = 0; round < 3; ++round) {
    make(20000);  // several blocks' worth
    std::vector<std::pair<Tgeno*, float> > kept;  // every third one goes
    for (std::size_t i = 0; i < live.size(); ++i) {
      if (i % 3 == 0) delete live[i].first;
      else kept.push_back(live[i]);
    }
    live.swap(kept);
    make(7000);
    EXPECT_TRUE(intact()) << "round " << round;
    for (auto const& x : live) delete x.first;  // all gone, then a fresh start
    live.clear();
    make(3);
    EXPECT_TRUE(intact()) << "round " << round;
  }
  for (auto const& x : live) delete x.first;
  for (auto* v : others) delete v;
}
