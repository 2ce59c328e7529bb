// OcorrenciasCredito and OcorrenciasCreditos: the credit receipts (authorisation codes)
// that back one occurrence, one row of tblRecibosCredito per occurrence (Código) and
// code, with a value. No relation ties them to the occurrence: they stay when it is
// deleted. Created by the front-end as "Orvalis.OcorrenciasCredito" and
// "Orvalis.OcorrenciasCreditos".
//
// The shape the occurrence detail lists share is told in occurrence_detail.h. Create lets
// its errors reach the caller (a duplicate code).
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/occurrence_detail.h"

namespace orvalis {

class ORVALIS_EXPORT OcorrenciasCredito final : public OccurrenceDetail {
 public:
  enum Field : size_t { kCódigo, kCodAutorização, kValor };

  OcorrenciasCredito();  // cleared: Código 0, CodAutorização "", Valor 0
  const ClassInfo& Class() const override;

  // Loads the first receipt, in code order, of occurrence `código` whose code is Like
  // `cod_autorização`; clears the object when there is none.
  void Fetch(const Variant& código, const Variant& cod_autorização);

 private:
  std::string ReloadStatement() const override;
  std::string DeleteStatement() const override;
};

// The receipts of one occurrence, in code order. MoveFirst and MovePrevious do nothing
// once the walk is past the last row.
class ORVALIS_EXPORT OcorrenciasCreditos final : public RecordCollection<OcorrenciasCredito> {
 public:
  OcorrenciasCreditos();
  const ClassInfo& Class() const override;

  // The receipts of occurrence `p_código`, or those whose code is Like
  // `p_cod_autorização`.
  void Fetch(const Variant& p_código, const Variant& p_cod_autorização = Variant::Missing());
};

}  // namespace orvalis
