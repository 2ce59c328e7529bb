// DIPAM and DIPAMs: the DIPAM values of a declaration, one row of tblDIPAM per value (its
// Código a counter the engine gives) under a DIPAM code and a municipality. The table's
// column Município holds the municipality's code, which the classes call CódMunicípio;
// their Município is the municipality's name, joined in from the fixed table
// tblMunicípios (Null for a code it does not know). Created by the front-end as
// "Orvalis.DIPAM" and "Orvalis.DIPAMs".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT DIPAM final : public RecordBase {
 public:
  enum Field : size_t { kNroVEK, kCódigo, kCódDIPAM, kMunicípio, kCódMunicípio, kValor };

  // Cleared: NroVEK, Código and Valor 0, CódDIPAM, Município and CódMunicípio Null.
  DIPAM();
  const ClassInfo& Class() const override;

  // Loads the value of Código `s_código`; when there is none the held values stay.
  void Fetch(const Variant& s_código);

 private:
  // Create: inserts NroVEK, CódDIPAM, CódMunicípio (into the column Município) and Valor, and
  // reads back only Código, the number the engine gave the row; the name Município is
  // not stored. The recordset stays on the new row.
  void CreateRow() override;
  // Delete: deletes the value of the held Código; nothing when there is none.
  void DeleteRow() override;
  // Update: writes CódMunicípio and Valor (never NroVEK or CódDIPAM) into the value of the held
  // Código; nothing when there is none.
  void UpdateRow() override;
};

// The values of one declaration and DIPAM code, in the order of the municipalities'
// names. The operation that tells whether the walk is past its end is called MoveLast.
class ORVALIS_EXPORT DIPAMs final : public RecordCollection<DIPAM> {
 public:
  DIPAMs();
  const ClassInfo& Class() const override;

  // The values of declaration `nro_vek` and DIPAM code `cód_dipam` (matched exactly), of
  // the municipalities whose code is Like `cód_município` when it is given.
  void Fetch(const Variant& nro_vek, const Variant& cód_dipam,
             const Variant& cód_município = Variant::Missing());
  // True past the last row or when there are no rows (Last of the other collections).
  bool MoveLast() { return Last(); }
};

}  // namespace orvalis
