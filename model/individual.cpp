#include "model/individual.h"

Tind::Tind() : _m(0) {}

Tind::~Tind() {}

void Tind::initialize() { _m = 0; }

Tind& Tind::operator=(Tind const& other) {
  _m = other._m;
  return *this;
}

bool Tind::operator==(Tind const& other) { return _m == other._m; }
