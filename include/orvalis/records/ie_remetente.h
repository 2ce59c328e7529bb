// IERemetente and IEsRemetentes: the state registrations of the senders of goods that
// back one occurrence, one row of tblIEsRemetente per occurrence (Código) and IE, with a
// value. Created by the front-end as "Orvalis.IERemetente" and "Orvalis.IEsRemetentes".
//
// The shape the occurrence detail lists share is told in occurrence_detail.h. Create lets
// its errors reach the caller (a duplicate IE, or a Código no occurrence has).
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/occurrence_detail.h"

namespace orvalis {

class ORVALIS_EXPORT IERemetente final : public OccurrenceDetail {
 public:
  enum Field : size_t { kCódigo, kIERemetente, kValor };

  IERemetente();  // cleared: Código 0, IERemetente "", Valor 0
  const ClassInfo& Class() const override;

  // Loads the first row, in IE order, of occurrence `código` whose IE is Like
  // `ie_remetente`; clears the object when there is none.
  void Fetch(const Variant& código, const Variant& ie_remetente);

 private:
  std::string ReloadStatement() const override;
  std::string DeleteStatement() const override;
};

// The senders of one occurrence, in IE order. MoveFirst and MovePrevious do nothing once
// the walk is past the last row.
class ORVALIS_EXPORT IEsRemetentes final : public RecordCollection<IERemetente> {
 public:
  IEsRemetentes();
  const ClassInfo& Class() const override;

  // The senders of occurrence `p_código`, or those whose IE is Like `p_ie_remetente`.
  void Fetch(const Variant& p_código, const Variant& p_ie_remetente = Variant::Missing());
};

}  // namespace orvalis
