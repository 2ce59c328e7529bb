// RegistroExp and RegistroExps: the export registers (RE numbers) a declaration lists,
// one row of tblRegistroExportação per declaration and RE number. Created by the
// front-end as "Orvalis.RegistroExp" and "Orvalis.RegistroExps".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT RegistroExp final : public RecordBase {
 public:
  enum Field : size_t { kNroVEK, kRE };

  RegistroExp();  // cleared: NroVEK 0, RE 0
  const ClassInfo& Class() const override;

  // Loads the first register, in RE order, of declaration `nro_vek` whose number is Like
  // `re`; when none matches the held values stay (no Clear).
  void Fetch(const Variant& nro_vek, const Variant& re);

 private:
  // Create: inserts the held values and keeps the recordset on the new row (no reload), so a
  // following Update changes that row.
  void CreateRow() override;
  // Delete: deletes the first register, in RE order, that the held values match as in Fetch;
  // nothing when none does. The held values stay.
  void DeleteRow() override;
  // Update: writes the held NroVEK and RE (keys too) to the row the last Fetch or Create left
  // current, then closes that recordset: a second Update, or one after a Fetch that
  // found nothing or after Delete, writes nothing.
  void UpdateRow() override;
};

// The registers of one declaration in RE order. MoveFirst and MovePrevious do nothing
// once the walk is past the last row (Item(1) or a new Fetch starts over).
class ORVALIS_EXPORT RegistroExps final : public RecordCollection<RegistroExp> {
 public:
  RegistroExps();
  const ClassInfo& Class() const override;

  // The registers of declaration `p_nro_vek`, or those whose number is Like `p_re`.
  void Fetch(const Variant& p_nro_vek, const Variant& p_re = Variant::Missing());
};

}  // namespace orvalis
