#ifndef TESSAREL_MODEL_ALELLE_H
#define TESSAREL_MODEL_ALELLE_H

// One allele of the locus. The run-wide allele table owns every Tallele and
// keeps the invariant _id == index in the table.
class Tallele {
public:
  int _id;        // allele number, counted from 0 (written as _id + 1)
  double _count;  // copies counted in the current generation

  Tallele();
  Tallele(int const& id);
  Tallele(Tallele const& other) = default;
  ~Tallele();

  void initialize();
  void initialize(int const& id);

  Tallele& operator=(Tallele const& other);
  bool operator==(Tallele const& other);
};

#endif
