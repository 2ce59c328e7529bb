// IESubstituido and IESubstituidos: the registrations of the substituted taxpayers in tax
// substitution that back one occurrence, one row of tblIESubstituido per occurrence
// (Código), IE and note (NF), with a value. Created by the front-end as
// "Orvalis.IESubstituido" and "Orvalis.IESubstituidos".
//
// The shape the occurrence detail lists share is told in occurrence_detail.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/occurrence_detail.h"

namespace orvalis {

class ORVALIS_EXPORT IESubstituido final : public OccurrenceDetail {
 public:
  enum Field : size_t { kCódigo, kIESubstituido, kNF, kValor };

  IESubstituido();  // cleared: Código, NF and Valor 0, IESubstituido Null
  const ClassInfo& Class() const override;

  // Loads the first row, in IE order, of occurrence `código` whose IE is Like
  // `ie_substituido`, of note `nro_nf` when given; clears the object when there is none.
  void Fetch(const Variant& código, const Variant& ie_substituido,
             const Variant& nro_nf = Variant::Missing());

 private:
  std::string ReloadStatement() const override;
  std::string DeleteStatement() const override;
};

// The substituted taxpayers of one occurrence, in IE order. MoveFirst and MovePrevious
// do nothing once the walk is past the last row.
class ORVALIS_EXPORT IESubstituidos final : public RecordCollection<IESubstituido> {
 public:
  IESubstituidos();
  const ClassInfo& Class() const override;

  // The substituted taxpayers of occurrence `p_código`, or those whose IE is Like
  // `p_ie_substituido`.
  void Fetch(const Variant& p_código, const Variant& p_ie_substituido = Variant::Missing());
};

}  // namespace orvalis
