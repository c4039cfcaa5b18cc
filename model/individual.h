#ifndef TESSAREL_MODEL_INDIVIDUAL_H
#define TESSAREL_MODEL_INDIVIDUAL_H

#include <cstdint>

// Small value class kept for completeness; the simulation never creates one.
class Tind {
public:
  std::int64_t _m;

  Tind();
  Tind(Tind const& other) = default;
  ~Tind();
  void initialize();

  Tind& operator=(Tind const& other);
  bool operator==(Tind const& other);
};

#endif
