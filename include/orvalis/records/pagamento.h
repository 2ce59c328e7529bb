// Pagamento and Pagamentos: the payments of a declaration, one row of tblPagamento each
// (PagtoID a counter the engine gives), with its date (a dd/mm/yyyy text) and value, for
// own operations (opPróprias True) or for tax substitution. Created by the front-end as
// "Orvalis.Pagamento" and "Orvalis.Pagamentos".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT Pagamento final : public RecordBase {
 public:
  // The properties, in the order Fetch reads them.
  enum Field : size_t { kNroVEK, kOpPróprias, kPagtoID, kData, kValor };

  // Cleared: NroVEK 0, PagtoID -1, opPróprias True, Data "", Valor 0.
  Pagamento();
  const ClassInfo& Class() const override;

  // Loads the payment `pagto_id`; clears the object when there is none.
  void Fetch(const Variant& pagto_id);

 private:
  // Create: inserts the held values and reads back only PagtoID, the number the engine gave the
  // new row; the other held values stay as they were set. A Data that is not a real
  // day-first date ("15/01/2005") is refused: nothing is stored.
  void CreateRow() override;
  // Delete: deletes the payment of the held PagtoID; nothing when there is none.
  void DeleteRow() override;
  // Update: writes the held values but PagtoID to the payment of the held PagtoID; nothing when
  // there is none, or when Data is not a real day-first date.
  void UpdateRow() override;
};

// The payments of one declaration and kind, in the order of their date (the text Data
// read as a date). MoveFirst and MovePrevious do nothing once the walk is past the last
// row.
class ORVALIS_EXPORT Pagamentos final : public RecordCollection<Pagamento> {
 public:
  Pagamentos();
  const ClassInfo& Class() const override;

  // The payments of declaration `p_nro_vek` of own operations (`p_op_próprias`) or of tax
  // substitution.
  void Fetch(const Variant& p_nro_vek, bool p_op_próprias);
};

}  // namespace orvalis
