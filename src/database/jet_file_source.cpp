#include "database/jet_file_source.h"

#include <mdbtools.h>

#include <filesystem>
#include <optional>

#include "database/jet_values.h"
#include "orvalis/error.h"

namespace orvalis::database {

namespace {

constexpr int kOffsetMask = 0x1FFF;  // a row's offset within its page, less its flags
constexpr size_t kLongValueHeader = MDB_MEMO_OVERHEAD;
// Flags of a long value's header: its bytes follow in the row, or fill one row of a
// long-value page, or run through a chain of such rows.
constexpr uint32_t kLongValueInline = 0x80000000;
constexpr uint32_t kLongValueOnePage = 0x40000000;
constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;

struct TableDefDeleter {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefHandle = std::unique_ptr<MdbTableDef, TableDefDeleter>;

[[noreturn]] void ThrowUnreadable(const std::string& what) {
  throw Error(static_cast<int32_t>(ErrorCode::kUnrecognizedFormat),
              "Unrecognized database format '" + what + "'.");
}

MdbColumn* ColumnAt(MdbTableDef* table, unsigned i) {
  return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
}

// The engine type of a column as the file declares it.
ColumnSpec DeclaredColumn(const MdbColumn& column, bool jet3) {
  auto column_of = [](FieldType type, int32_t size = 0) {
    return ColumnSpec{type, size > 0 ? size : DefaultSize(type), 0};
  };
  switch (column.col_type) {
    case MDB_BOOL:
      return column_of(FieldType::kBoolean);
    case MDB_BYTE:
      return column_of(FieldType::kByte);
    case MDB_INT:
      return column_of(FieldType::kInteger);
    case MDB_LONGINT:
      return ColumnSpec{FieldType::kLong, 4, column.is_long_auto ? kAutoIncrField : 0};
    case MDB_MONEY:
      return column_of(FieldType::kCurrency);
    case MDB_FLOAT:
      return column_of(FieldType::kSingle);
    case MDB_DOUBLE:
      return column_of(FieldType::kDouble);
    case MDB_DATETIME:
      return column_of(FieldType::kDate);
    case MDB_BINARY:
      return column_of(FieldType::kBinary, column.col_size);
    case MDB_TEXT:
      return column_of(FieldType::kText, jet3 ? column.col_size : column.col_size / 2);
    case MDB_OLE:
      return column_of(FieldType::kLongBinary);
    case MDB_MEMO:
      return column_of(FieldType::kMemo);
    case MDB_REPID:
      return column_of(FieldType::kGUID);
    case MDB_NUMERIC: {
      // The column definition keeps the precision byte first, then the scale; libmdb 1.0
      // reads them into col_scale and col_prec the other way round.
      ColumnSpec decimal = column_of(FieldType::kDecimal);
      decimal.precision = static_cast<int16_t>(column.col_scale);
      decimal.scale = static_cast<int16_t>(column.col_prec);
      return decimal;
    }
    default:
      ThrowUndecodable("column '" + std::string(column.name) + "' has a type this engine lacks (" +
                       std::to_string(column.col_type) + ")");
  }
}

// The byte size a fixed-width type occupies in a row; 0 for variable widths (and for
// Booleans, which live in the row's null mask).
size_t FixedWidth(FieldType type) {
  switch (type) {
    case FieldType::kBoolean:
    case FieldType::kText:
    case FieldType::kMemo:
    case FieldType::kBinary:
    case FieldType::kLongBinary:
      return 0;
    case FieldType::kDecimal:
      return 17;  // a sign byte before the 16 bytes of its magnitude
    default:
      return static_cast<size_t>(DefaultSize(type));
  }
}

}  // namespace

struct JetFileSource::Handle {
  MdbHandle* mdb = nullptr;
  ~Handle() {
    if (mdb != nullptr) mdb_close(mdb);
  }
  bool jet3() const { return mdb->f->jet_version == MDB_VER_JET3; }

  MdbCatalogEntry* Entry(const std::string& name) {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (mdb_is_user_table(entry) && name == entry->object_name) return entry;
    }
    throw MakeError(ErrorCode::kTableNotFound, name);
  }

  TableDefHandle Read(MdbCatalogEntry* entry) {
    TableDefHandle table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get())) ThrowUnreadable(entry->object_name);
    mdb_read_indices(table.get());  // its result says nothing; the indices it leaves do
    if (table->indices == nullptr) ThrowUnreadable(entry->object_name);
    return table;
  }

  // The counter's next value as the table definition records it (its first page).
  int64_t NextCounter(const MdbCatalogEntry& entry) {
    if (mdb_read_alt_pg(mdb, entry.table_pg) != mdb->fmt->pg_size) return 0;
    return mdb_get_int32(mdb->alt_pg_buf, mdb->fmt->tab_num_rows_offset + 4);
  }
};

namespace {

// Rows of one table: mdbtools walks the data pages and splits each row into its fields;
// the values are decoded from the page's bytes.
class JetFileRows final : public JetRows {
 public:
  JetFileRows(MdbHandle* mdb, TableDefHandle table, const JetTable& description)
      : mdb_(mdb),
        table_(std::move(table)),
        description_(description),
        fields_(table_->num_cols),
        text_form_(mdb->f->jet_version == MDB_VER_JET3 ? JetTextForm::kCodePage1252
                                                       : JetTextForm::kUnicode) {
    mdb_rewind_table(table_.get());
  }

  bool Next(std::vector<Variant>& row) override {
    if (!mdb_fetch_row(table_.get())) return false;
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0 ||
        mdb_crack_row(table_.get(), start & kOffsetMask, size, fields_.data()) < 0) {
      ThrowUndecodable("a row whose fields cannot be found");
    }
    row.assign(table_->num_cols, Variant::Null());
    for (unsigned i = 0; i < table_->num_cols; ++i) {
      const MdbField& field = fields_[i];
      const unsigned position = static_cast<unsigned>(field.colnum);
      if (position >= row.size()) ThrowUndecodable("a field of no column");
      try {
        row[position] = Decode(field, description_.columns[position].definition);
      } catch (const Error& error) {
        throw Error(error.number(),
                    "Column '" + description_.columns[position].name + "': " + error.description());
      }
    }
    return true;
  }

 private:
  JetBytes Bytes(const MdbField& field) const {
    if (field.start < 0 || field.siz < 0 ||
        static_cast<size_t>(field.start) + static_cast<size_t>(field.siz) > sizeof mdb_->pg_buf) {
      ThrowUndecodable("a field outside its page");
    }
    return JetBytes(mdb_->pg_buf + field.start, static_cast<size_t>(field.siz));
  }

  Variant Decode(const MdbField& field, const ColumnSpec& column) {
    if (column.type == FieldType::kBoolean) return Variant(field.is_null == 0);
    if (field.is_null != 0) return Variant::Null();
    JetBytes bytes = Bytes(field);
    const size_t width = FixedWidth(column.type);
    if (width != 0) {
      if (bytes.size() < width) ThrowUndecodable("a fixed-width value shorter than its type");
      bytes = bytes.first(width);
    }
    switch (column.type) {
      case FieldType::kByte:
        return Variant::Byte(static_cast<uint8_t>(JetInteger(bytes)));
      case FieldType::kInteger:
        return Variant::Integer(static_cast<int16_t>(JetInteger(bytes)));
      case FieldType::kLong:
        return Variant::Long(static_cast<int32_t>(JetInteger(bytes)));
      case FieldType::kCurrency:
        return Variant(Currency::FromRaw(JetInteger(bytes)));
      case FieldType::kSingle:
      case FieldType::kDouble:
        return Variant(JetReal(bytes));
      case FieldType::kDate:
        return Variant(DecodeJetDate(bytes));
      case FieldType::kText:
        return Variant(DecodeJetText(bytes, text_form_));
      case FieldType::kMemo:
        return Variant(DecodeJetText(LongValue(bytes), text_form_));
      case FieldType::kBinary:
        return Variant(std::string(bytes.begin(), bytes.end()));
      case FieldType::kLongBinary: {
        JetBytes value = LongValue(bytes);
        return Variant(std::string(value.begin(), value.end()));
      }
      case FieldType::kGUID:
        return Variant(DecodeJetGuid(bytes));
      case FieldType::kDecimal: {
        std::string text = DecodeJetDecimal(bytes, column.scale);
        for (char& c : text) c = c == '.' ? ',' : c;
        return Variant(text);
      }
      default:
        ThrowUndecodable("a value of an unknown type");
    }
  }

  // The bytes of a memo or OLE value, found from the 12-byte header in the row.
  JetBytes LongValue(JetBytes header) {
    if (header.size() < kLongValueHeader) ThrowUndecodable("a long value without its header");
    const uint32_t word = static_cast<uint32_t>(JetInteger(header.first(4)));
    const size_t length = word & kLongValueLengthMask;
    long_value_.clear();
    if ((word & kLongValueInline) != 0) {
      long_value_.assign(header.begin() + kLongValueHeader, header.end());
    } else {
      int32_t page_row = static_cast<int32_t>(JetInteger(header.subspan(4, 4)));
      const bool chained = (word & kLongValueOnePage) == 0;
      while (page_row != 0 && long_value_.size() < length) {
        void* page = nullptr;
        int offset = 0;
        size_t size = 0;
        if (mdb_find_pg_row(mdb_, page_row, &page, &offset, &size) != 0 || (chained && size < 4)) {
          ThrowUndecodable("a long value whose page cannot be read");
        }
        const auto* bytes = static_cast<const unsigned char*>(page) + offset;
        page_row = chained ? static_cast<int32_t>(JetInteger(JetBytes(bytes, 4))) : 0;
        const size_t skip = chained ? 4 : 0;
        long_value_.insert(long_value_.end(), bytes + skip, bytes + size);
      }
    }
    if (long_value_.size() < length) ThrowUndecodable("a long value shorter than its length");
    long_value_.resize(length);
    return long_value_;
  }

  MdbHandle* mdb_;
  TableDefHandle table_;
  JetTable description_;
  std::vector<MdbField> fields_;
  JetTextForm text_form_;
  std::vector<unsigned char> long_value_;
};

}  // namespace

JetFileSource::JetFileSource(const std::string& path) : handle_(std::make_unique<Handle>()) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) throw MakeError(ErrorCode::kFileNotFound, path);
  handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (handle_->mdb == nullptr || !mdb_read_catalog(handle_->mdb, MDB_TABLE)) ThrowUnreadable(path);
  if (handle_->jet3() && handle_->mdb->f->code_page != 1252 && handle_->mdb->f->code_page != 0) {
    ThrowUndecodable("texts in code page " + std::to_string(handle_->mdb->f->code_page) +
                     " (only code page 1252 is read)");
  }
}

JetFileSource::~JetFileSource() = default;

std::vector<JetTable> JetFileSource::Tables() {
  std::vector<JetTable> tables;
  MdbHandle* mdb = handle_->mdb;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (!mdb_is_user_table(entry)) continue;
    TableDefHandle definition = handle_->Read(entry);
    JetTable table;
    table.name = entry->object_name;
    table.row_count = definition->num_rows;
    for (unsigned c = 0; c < definition->num_cols; ++c) {
      const MdbColumn& column = *ColumnAt(definition.get(), c);
      table.columns.push_back(JetColumn{column.name, DeclaredColumn(column, handle_->jet3())});
    }
    for (unsigned x = 0; x < definition->num_idxs; ++x) {
      const auto& index = *static_cast<MdbIndex*>(g_ptr_array_index(definition->indices, x));
      const bool primary = index.index_type == 1;
      const bool unique = primary || (index.flags & MDB_IDX_UNIQUE) != 0;
      if (!unique || index.index_type == 2) continue;  // foreign-key indexes belong to relations
      JetIndex kept{index.name, primary, unique, {}};
      for (unsigned k = 0; k < index.num_keys; ++k) {
        kept.columns.push_back(ColumnAt(definition.get(), index.key_col_num[k] - 1)->name);
      }
      table.indexes.push_back(std::move(kept));
    }
    table.next_counter = handle_->NextCounter(*entry);
    tables.push_back(std::move(table));
  }
  return tables;
}

std::unique_ptr<JetRows> JetFileSource::Rows(const JetTable& table) {
  return std::make_unique<JetFileRows>(handle_->mdb, handle_->Read(handle_->Entry(table.name)),
                                       table);
}

}  // namespace orvalis::database
