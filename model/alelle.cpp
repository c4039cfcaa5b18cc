#include "model/alelle.h"

Tallele::Tallele() : _id(0), _count(0.0) {}

Tallele::Tallele(int const& id) : _id(id), _count(0.0) {}

Tallele::~Tallele() {}

void Tallele::initialize() {
  _id = 0;
  _count = 0.0;
}

void Tallele::initialize(int const& id) {
  _id = id;
  _count = 0.0;
}

Tallele& Tallele::operator=(Tallele const& other) {
  _id = other._id;
  _count = other._count;
  return *this;
}

bool Tallele::operator==(Tallele const& other) {
  return _id == other._id && _count == other._count;
}
