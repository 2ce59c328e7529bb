// What the four occurrence detail lists share: the IEs of the senders (IERemetente), of
// the substitute and substituted taxpayers (IESubstituto, IESubstituido) and the credit
// receipts (OcorrenciasCredito) of one occurrence, each a table whose rows carry the
// occurrence's Código as an ordinary column. The three IE lists go with their occurrence
// when it is deleted; credit receipts are tied to nothing and stay.
//
// A record of a list is found by Código and its list column (a Like pattern), and by the
// note number NF too for the substitution lists. Create adds the row, then reloads it by
// the held keys, matched as they stand; Update writes every column, keys included, into
// the row the last Fetch (or that reload) left current; Delete deletes the first row its
// statement finds.
//
// The record and collection pattern, errors and threads are those of record_base.h; two
// classes let the errors of Create reach the caller.
#pragma once

#include "orvalis/export.h"

#include <string>
#include <string_view>

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT OccurrenceDetail : public RecordBase {
 public:
  // Inserts every held value and reloads the row. Trapped unless the class raises.
  void Create() override;

 protected:
  enum class CreateErrors { kTrapped, kRaised };
  // `table_sql` is the statement Create adds the row through.
  OccurrenceDetail(const records::RecordLayout& layout, std::string_view table_sql,
                   CreateErrors create_errors);

  // The class's Fetch statement over the held keys, each matched as it stands.
  virtual std::string ReloadStatement() const = 0;
  // The class's Delete statement over the held keys.
  virtual std::string DeleteStatement() const = 0;

 private:
  void CreateRow() override;
  // Delete: deletes the first row of the class's delete statement over the held keys;
  // nothing when there is none.
  void DeleteRow() override;
  // Update: writes every held value, keys included, into the row the last Fetch left
  // current; nothing when there is none.
  void UpdateRow() override;

  std::string_view table_sql_;
  CreateErrors create_errors_;
};

// The statement of a list's collection Fetch: every row of occurrence `código` in the
// order of the list column, or those whose list column is Like `filter` when it is given.
struct ORVALIS_EXPORT DetailListPieces {
  std::string_view table;   // "FROM tblIEsRemetente "
  std::string_view filter;  // "(IERemetente Like '"
  std::string_view order;   // "ORDER BY IERemetente"
};
ORVALIS_EXPORT std::string DetailListStatement(const DetailListPieces& pieces,
                                               const Variant& código, const Variant& filter);

}  // namespace orvalis
