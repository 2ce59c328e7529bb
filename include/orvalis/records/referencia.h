// Referencia and Referencias: the declaration header, one row of tblVEK per declaration.
// A header is found by its taxpayer (IE) and reference month (Ref1); the engine gives it
// its number NroVEK, which every detail table carries. Deleting a header deletes all of
// its details through the file's cascading relations. Created by the front-end as
// "Orvalis.Referencia" and "Orvalis.Referencias".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include <string_view>

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT Referencia final : public RecordBase {
 public:
  // The properties, in the order Fetch reads them.
  enum Field : size_t {
    kNroVEK,
    kIE,
    kTipo,
    kRegTrib,
    kRef1,
    kRef2,
    kMovimento,
    kSaldoCredor,
    kSaldoCredAntDig,
    kSaldoCredAntDigST,
    kTransmitida,
    kOrigem,
    kOrigemPrefDig,
    kIcmsFixPerRES,
  };

  Referencia();  // cleared: Tipo 1, Movimento False, NroVEK, balances, Transmitida 0, rest Null
  const ClassInfo& Class() const override;

  // Loads the header of taxpayer `ie` whose Ref1 is the date of the first 10 characters
  // of `ref` (a date gives its dd/mm/yyyy text); clears the object when there is none.
  // The object's recordset is let go first, so a failing statement leaves none.
  void Fetch(const Variant& ie, const Variant& ref);

 private:
  // Create: inserts a header with the held values (not NroVEK), Ref1 as its date without the
  // time of day, and reloads that very row (Fetch's statement, the row of the new
  // NroVEK), so NroVEK then holds the number the engine gave it. A Null Ref1 is refused:
  // nothing is stored.
  void CreateRow() override;
  // Delete: deletes the row the last Fetch (or the reload of Create) left current; nothing
  // without one.
  void DeleteRow() override;
  // Update: writes every held value but NroVEK to the row the last Fetch left current, IE and
  // Ref1 (its date without the time) included; nothing without one or with a Null Ref1.
  void UpdateRow() override;
};

// The headers of one taxpayer. Its item receives ten columns: SaldoCredAntDigST, Origem,
// OrigemPrefDig and IcmsFixPerRES of the item keep their cleared values. The operation
// that tells whether the walk is past its end is called MoveLast here.
class ORVALIS_EXPORT Referencias final : public RecordCollection<Referencia> {
 public:
  Referencias();
  const ClassInfo& Class() const override;

  // The headers of taxpayer `p_ie`, or those whose Ref1 is Like the date `p_ref1` (its
  // whole text) when it is given.
  void Fetch(std::string_view p_ie, const Variant& p_ref1 = Variant::Missing());
  // True past the last row or when there are no rows (Last of the other collections).
  bool MoveLast() { return Last(); }
};

}  // namespace orvalis
