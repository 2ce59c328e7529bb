// Ocorrência and Ocorrências: the occurrences of a declaration's apuração, one row of
// tblOcorrências each (its Código a counter the engine gives), listed under a sub-item
// code, for own operations (opPróprias True) or for tax substitution. The lists of
// registrations hanging off an occurrence are tied to it by Código and go with it when
// it is deleted. Created by the front-end as "Orvalis.Ocorrência" and
// "Orvalis.Ocorrências".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT Ocorrência final : public RecordBase {
 public:
  enum Field : size_t {
    kNroVEK,
    kCódigo,
    kCódSubItem,
    kFLegal,
    kOcorrência,
    kValor,
    kOpPróprias,
  };

  // Cleared: NroVEK 0, Código -1, CódSubItem, FLegal and Ocorrência "", Valor 0,
  // opPróprias True.
  Ocorrência();
  const ClassInfo& Class() const override;

  // Loads the first occurrence, in Código order, of declaration `nro_vek` and kind
  // `op_próprias` whose sub-item is Like `cód_sub_item`; clears the object when none
  // matches. A failing statement leaves the held values as they were.
  void Fetch(const Variant& nro_vek, const Variant& op_próprias, const Variant& cód_sub_item);

 private:
  // Create: inserts the held values (the engine gives Código) and reloads the row just added,
  // so Código then holds its new number.
  void CreateRow() override;
  // Delete: deletes the occurrence of the held Código; nothing when there is none (after Clear,
  // whose Código is -1). The held values stay.
  void DeleteRow() override;
  // Update: writes every held value but Código to the occurrence of the held Código; nothing
  // when there is none.
  void UpdateRow() override;
};

// The occurrences of one declaration and kind, in Código order. MoveFirst and
// MovePrevious do nothing once the walk is past the last row (a new Fetch starts over).
class ORVALIS_EXPORT Ocorrências final : public RecordCollection<Ocorrência> {
 public:
  Ocorrências();
  const ClassInfo& Class() const override;

  // The occurrences of declaration `p_nro_vek` of own operations (`p_op_próprias`) or of
  // tax substitution, optionally only those whose sub-item is Like `p_cód_subitem`.
  void Fetch(const Variant& p_nro_vek, bool p_op_próprias,
             const Variant& p_cód_subitem = Variant::Missing());
};

}  // namespace orvalis
