// IESubstituto and IESubstitutos: the registrations of the taxpayers acting as
// substitutes in tax substitution that back one occurrence, one row of tblIESubstituto
// per occurrence (Código), IE and note (NF), with the period (DataInicio, DataFim) and a
// value. Created by the front-end as "Orvalis.IESubstituto" and "Orvalis.IESubstitutos".
//
// The shape the occurrence detail lists share is told in occurrence_detail.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/occurrence_detail.h"

namespace orvalis {

class ORVALIS_EXPORT IESubstituto final : public OccurrenceDetail {
 public:
  enum Field : size_t { kCódigo, kIESubstituto, kNF, kValor, kDataInicio, kDataFim };

  // Cleared: Código, NF and Valor 0, IESubstituto, DataInicio and DataFim Null.
  IESubstituto();
  const ClassInfo& Class() const override;

  // Loads the first row, in IE order, of occurrence `código` whose IE is Like
  // `ie_substituto`, of note `nro_nf` when given; clears the object when there is none.
  void Fetch(const Variant& código, const Variant& ie_substituto,
             const Variant& nro_nf = Variant::Missing());

 private:
  std::string ReloadStatement() const override;
  std::string DeleteStatement() const override;
};

// The substitutes of one occurrence, in IE order. MoveFirst and MovePrevious do nothing
// once the walk is past the last row.
class ORVALIS_EXPORT IESubstitutos final : public RecordCollection<IESubstituto> {
 public:
  IESubstitutos();
  const ClassInfo& Class() const override;

  // The substitutes of occurrence `p_código`, or those whose IE is Like `p_ie_substituto`.
  void Fetch(const Variant& p_código, const Variant& p_ie_substituto = Variant::Missing());
};

}  // namespace orvalis
