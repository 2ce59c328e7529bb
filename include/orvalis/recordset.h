// Recordset: a dynaset over a query or a table of a declaration file.
//
// Membership is fixed when the recordset is opened (rows added elsewhere later do not
// join; rows added through it join at the end, whatever the ORDER BY), and is gathered
// as the cursor advances: RecordCount counts the rows visited so far (0 when empty, at
// least 1 otherwise, exact after MoveLast). Column values are read fresh from the stored
// row, so changes made elsewhere show; a row deleted elsewhere raises 3167. Queries with
// GROUP BY, DISTINCT or aggregates give a read-only snapshot (edits raise 3027).
//
// Column look-up by name ignores letter case. Cursor rules: EOF and BOF both true on an
// empty set; MoveNext past the last row sets EOF; MoveNext at EOF or MovePrevious at BOF
// raises 3021; reading, editing or deleting without a current row raises 3021; after
// Delete the row stays current but unusable until the cursor moves.
//
// A recordset belongs to the thread that opened it and lives until Close or its
// database closes (then every operation raises 3420).
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/field_type.h"
#include "orvalis/variant.h"

namespace orvalis {

namespace engine {
class RecordsetCore;
}

// Bookmark of a row of one recordset: valid only with the recordset that gave it.
using Bookmark = int64_t;

// One column of a recordset's result.
struct ORVALIS_EXPORT RecordsetColumn {
  std::string name;  // the result name (alias, or the column's name)
  FieldType type;    // engine type of its values
  int32_t size;
  bool updatable = false;  // a base-table column that is not a counter
};

class ORVALIS_EXPORT Recordset {
 public:
  ORVALIS_INTERNAL explicit Recordset(std::unique_ptr<engine::RecordsetCore> core);
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  bool IsEof() const;
  bool IsBof() const;
  int32_t RecordCount() const;
  // 0-based position of the current row, -1 without one.
  int32_t AbsolutePosition() const;
  // Makes row n (0-based) current; 3001 outside the rows, position unchanged.
  void SetAbsolutePosition(int32_t position);
  Bookmark GetBookmark() const;  // 3021 without a current row
  void SetBookmark(Bookmark bookmark);
  // Bookmark of the row last added or changed through this recordset (3021 if none).
  Bookmark LastModified() const;

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  void AddNew();
  void Edit();
  // Saves the row being added or edited. 3020 without AddNew or Edit; type, width, key
  // and relation errors leave the file unchanged and the edit pending.
  void Update();
  void CancelUpdate();
  void Delete();
  void Close();
  bool IsOpen() const;

  const std::vector<RecordsetColumn>& Columns() const;
  // Position of a column by name (letter case ignored); 3265 when there is none.
  int32_t ColumnIndex(std::string_view name) const;
  Variant GetValue(std::string_view column) const;
  Variant GetValue(int32_t column) const;
  // Several values of the current row at once, as GetValue(columns[i]) gives each, into
  // *into[i] (the spans are as long; a negative position is passed over). All or nothing:
  // when one cannot be read, none is stored.
  void GetValues(std::span<const int32_t> columns, std::span<Variant* const> into) const;
  // Only while editing or adding (3020 otherwise); 3164 for a counter or expression
  // column, 3027 on a read-only recordset. The value is converted and checked on Update.
  void SetValue(std::string_view column, const Variant& value);
  void SetValue(int32_t column, const Variant& value);

  // The SQL text the recordset was opened with.
  const std::string& Source() const;

 private:
  std::unique_ptr<engine::RecordsetCore> core_;
};

}  // namespace orvalis
