#include "orvalis/engine_objects.h"

#include <functional>

#include "orvalis/class_info.h"
#include "orvalis/collection.h"
#include "orvalis/error.h"

namespace orvalis {

namespace {

Variant Wrap(std::shared_ptr<Object> object) {
  return object ? Variant(std::move(object)) : Variant::Nothing();
}

bool Given(const Variant& value) { return !value.IsMissing(); }

// An engine collection seen late-bound: Count, Item (by position from 0 or by name; the
// default member), Append and Delete.
class CollectionObject final : public Object {
 public:
  using Lister = std::function<std::vector<std::shared_ptr<Object>>()>;
  using Appender = std::function<void(const Variant&)>;
  using Deleter = std::function<void(const std::string&)>;

  CollectionObject(Lister list, Appender append = {}, Deleter remove = {})
      : list_(std::move(list)), append_(std::move(append)), remove_(std::move(remove)) {}

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<CollectionObject>("Collection")
            .IndexedProperty("Item", 1, 1,
                             [](CollectionObject& self, std::span<Variant> a) { return self.Item(a[0]); })
            // The default member: coll(key) is coll.Item(key).
            .IndexedProperty("", 1, 1,
                             [](CollectionObject& self, std::span<Variant> a) { return self.Item(a[0]); })
            .Property("Count", [](CollectionObject& self) {
              return Variant(static_cast<int32_t>(self.list_().size()));
            })
            .Method("Append", 1, 1,
                    [](CollectionObject& self, std::span<Variant> a) {
                      if (!self.append_) throw MakeError(ErrorCode::kInvalidArgument);
                      self.append_(a[0]);
                    })
            .Method("Delete", 1, 1,
                    [](CollectionObject& self, std::span<Variant> a) {
                      if (!self.remove_) throw MakeError(ErrorCode::kInvalidArgument);
                      self.remove_(ToText(a[0]));
                    })
            .Method("Refresh", 0, 0, [](CollectionObject&, std::span<Variant>) {})
            .Build();
    return info;
  }

 private:
  Variant Item(const Variant& key) {
    std::vector<std::shared_ptr<Object>> items = list_();
    if (key.IsString()) {
      std::vector<std::string> names;
      for (const auto& item : items) names.push_back(ToText(GetProperty(*item, "Name")));
      int32_t found = FindName(names, key.string_value());
      if (found < 0) ThrowItemNotFound();
      return Variant(items[static_cast<size_t>(found)]);
    }
    return Variant(ItemAt(items, ToLong(key)));
  }

  Lister list_;
  Appender append_;
  Deleter remove_;
};

// ---- definitions -------------------------------------------------------------------------

class FieldObject final : public Object {
 public:
  explicit FieldObject(std::shared_ptr<Field> field) : field_(std::move(field)) {}
  const std::shared_ptr<Field>& field() const { return field_; }

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<FieldObject>("Field")
            .Property(
                "Name", [](FieldObject& s) { return Variant(s.field_->Name()); },
                [](FieldObject& s, const Variant& v) { s.field_->SetName(ToText(v)); })
            .Property("Type", [](FieldObject& s) {
              return Variant::Integer(static_cast<int16_t>(s.field_->Type()));
            })
            .Property("Size", [](FieldObject& s) { return Variant(s.field_->Size()); })
            .Property(
                "Attributes", [](FieldObject& s) { return Variant(s.field_->Attributes()); },
                [](FieldObject& s, const Variant& v) { s.field_->SetAttributes(ToLong(v)); })
            .Property(
                "ForeignName", [](FieldObject& s) { return Variant(s.field_->ForeignName()); },
                [](FieldObject& s, const Variant& v) { s.field_->SetForeignName(ToText(v)); })
            .Build();
    return info;
  }

 private:
  std::shared_ptr<Field> field_;
};

std::shared_ptr<Field> UnwrapField(const Variant& value) {
  if (!value.IsObject() || !value.object_value()) throw MakeError(ErrorCode::kObjectRequired);
  auto* field = dynamic_cast<FieldObject*>(value.object_value().get());
  if (field == nullptr) throw MakeError(ErrorCode::kTypeMismatch);
  return field->field();
}

template <class T>
std::shared_ptr<CollectionObject> FieldList(std::shared_ptr<T> owner) {
  return std::make_shared<CollectionObject>(
      [owner] {
        std::vector<std::shared_ptr<Object>> items;
        for (const auto& f : owner->Fields()) items.push_back(std::make_shared<FieldObject>(f));
        return items;
      },
      [owner](const Variant& v) { owner->AppendField(UnwrapField(v)); });
}

class IndexObject final : public Object {
 public:
  explicit IndexObject(std::shared_ptr<Index> index) : index_(std::move(index)) {}
  const std::shared_ptr<Index>& index() const { return index_; }

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<IndexObject>("Index")
            .Property("Name", [](IndexObject& s) { return Variant(s.index_->Name()); })
            .Property(
                "Primary", [](IndexObject& s) { return Variant(s.index_->Primary()); },
                [](IndexObject& s, const Variant& v) { s.index_->SetPrimary(ToBoolean(v)); })
            .Property(
                "Unique", [](IndexObject& s) { return Variant(s.index_->Unique()); },
                [](IndexObject& s, const Variant& v) { s.index_->SetUnique(ToBoolean(v)); })
            .Property("Fields", [](IndexObject& s) { return Wrap(FieldList(s.index_)); })
            .Method("CreateField", 1, 1,
                    [](IndexObject& s, std::span<Variant> a) {
                      return Wrap(std::make_shared<FieldObject>(s.index_->CreateField(ToText(a[0]))));
                    })
            .Build();
    return info;
  }

 private:
  std::shared_ptr<Index> index_;
};

class TableDefObject final : public Object {
 public:
  explicit TableDefObject(std::shared_ptr<TableDef> table) : table_(std::move(table)) {}
  const std::shared_ptr<TableDef>& table() const { return table_; }

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<TableDefObject>("TableDef")
            .Property("Name", [](TableDefObject& s) { return Variant(s.table_->Name()); },
                      [](TableDefObject& s, const Variant& v) { s.table_->SetName(ToText(v)); })
            .Property("Connect", [](TableDefObject& s) { return Variant(s.table_->Connect()); },
                      [](TableDefObject& s, const Variant& v) { s.table_->SetConnect(ToText(v)); })
            .Property(
                "SourceTableName",
                [](TableDefObject& s) { return Variant(s.table_->SourceTableName()); },
                [](TableDefObject& s, const Variant& v) { s.table_->SetSourceTableName(ToText(v)); })
            .Property("Fields", [](TableDefObject& s) { return Wrap(FieldList(s.table_)); })
            .Property("Indexes",
                      [](TableDefObject& s) {
                        auto table = s.table_;
                        return Wrap(std::make_shared<CollectionObject>(
                            [table] {
                              std::vector<std::shared_ptr<Object>> items;
                              for (const auto& i : table->Indexes()) {
                                items.push_back(std::make_shared<IndexObject>(i));
                              }
                              return items;
                            },
                            [table](const Variant& v) {
                              auto* index = v.IsObject() ? dynamic_cast<IndexObject*>(
                                                               v.object_value().get())
                                                         : nullptr;
                              if (index == nullptr) throw MakeError(ErrorCode::kTypeMismatch);
                              table->AppendIndex(index->index());
                            },
                            [table](const std::string& name) { table->DeleteIndex(name); }));
                      })
            .Method("CreateField", 1, 3,
                    [](TableDefObject& s, std::span<Variant> a) {
                      FieldType type = Given(a[1]) ? static_cast<FieldType>(ToLong(a[1]))
                                                   : FieldType::kText;
                      int32_t size = Given(a[2]) ? ToLong(a[2]) : 0;
                      return Wrap(std::make_shared<FieldObject>(
                          s.table_->CreateField(ToText(a[0]), type, size)));
                    })
            .Method("CreateIndex", 1, 1,
                    [](TableDefObject& s, std::span<Variant> a) {
                      return Wrap(std::make_shared<IndexObject>(s.table_->CreateIndex(ToText(a[0]))));
                    })
            .Build();
    return info;
  }

 private:
  std::shared_ptr<TableDef> table_;
};

class RelationObject final : public Object {
 public:
  explicit RelationObject(std::shared_ptr<Relation> relation) : relation_(std::move(relation)) {}
  const std::shared_ptr<Relation>& relation() const { return relation_; }

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<RelationObject>("Relation")
            .Property("Name", [](RelationObject& s) { return Variant(s.relation_->Name()); })
            .Property("Table", [](RelationObject& s) { return Variant(s.relation_->Table()); })
            .Property("ForeignTable",
                      [](RelationObject& s) { return Variant(s.relation_->ForeignTable()); })
            .Property("Attributes",
                      [](RelationObject& s) { return Variant(s.relation_->Attributes()); })
            .Property("Fields",
                      [](RelationObject& s) {
                        auto relation = s.relation_;
                        return Wrap(std::make_shared<CollectionObject>(
                            [relation] {
                              std::vector<std::shared_ptr<Object>> items;
                              for (const auto& f : relation->Fields()) {
                                items.push_back(std::make_shared<FieldObject>(f));
                              }
                              return items;
                            },
                            [relation](const Variant& v) { relation->AppendField(UnwrapField(v)); }));
                      })
            .Method("CreateField", 1, 1,
                    [](RelationObject& s, std::span<Variant> a) {
                      return Wrap(
                          std::make_shared<FieldObject>(s.relation_->CreateField(ToText(a[0]))));
                    })
            .Build();
    return info;
  }

 private:
  std::shared_ptr<Relation> relation_;
};

// ---- recordsets --------------------------------------------------------------------------

// One column of a recordset's current row; Value is its default member.
class RecordsetFieldObject final : public Object {
 public:
  RecordsetFieldObject(std::shared_ptr<Recordset> recordset, int32_t column)
      : recordset_(std::move(recordset)), column_(column) {}

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<RecordsetFieldObject>("Field")
            .Property(
                "Value", [](RecordsetFieldObject& s) { return s.recordset_->GetValue(s.column_); },
                [](RecordsetFieldObject& s, const Variant& v) {
                  s.recordset_->SetValue(s.column_, DefaultValue(v));
                })
            .Property("Name",
                      [](RecordsetFieldObject& s) { return Variant(s.column().name); })
            .Property("Type",
                      [](RecordsetFieldObject& s) {
                        return Variant::Integer(static_cast<int16_t>(s.column().type));
                      })
            .Property("Size", [](RecordsetFieldObject& s) { return Variant(s.column().size); })
            .Build();
    return info;
  }

 private:
  const RecordsetColumn& column() const {
    return recordset_->Columns()[static_cast<size_t>(column_)];
  }
  std::shared_ptr<Recordset> recordset_;
  int32_t column_;
};

class RecordsetObject final : public Object {
 public:
  explicit RecordsetObject(std::shared_ptr<Recordset> recordset) : recordset_(std::move(recordset)) {}
  const std::shared_ptr<Recordset>& recordset() const { return recordset_; }

  const ClassInfo& Class() const override {
    using R = RecordsetObject;
    static const ClassInfo info =
        ClassInfoBuilder<R>("Recordset")
            .IndexedProperty(
                "", 1, 1, [](R& s, std::span<Variant> a) { return s.recordset_->GetValue(s.Column(a[0])); },
                [](R& s, std::span<Variant> a, const Variant& v) {
                  s.recordset_->SetValue(s.Column(a[0]), DefaultValue(v));
                })
            .IndexedProperty("Fields", 0, 1,
                             [](R& s, std::span<Variant> a) {
                               if (Given(a[0])) return s.FieldAt(a[0]);
                               auto rs = s.recordset_;
                               return Wrap(std::make_shared<CollectionObject>([rs] {
                                 std::vector<std::shared_ptr<Object>> items;
                                 for (size_t i = 0; i < rs->Columns().size(); ++i) {
                                   items.push_back(std::make_shared<RecordsetFieldObject>(
                                       rs, static_cast<int32_t>(i)));
                                 }
                                 return items;
                               }));
                             })
            .Property("EOF", [](R& s) { return Variant(s.recordset_->IsEof()); })
            .Property("BOF", [](R& s) { return Variant(s.recordset_->IsBof()); })
            .Property("RecordCount", [](R& s) { return Variant(s.recordset_->RecordCount()); })
            .Property(
                "AbsolutePosition", [](R& s) { return Variant(s.recordset_->AbsolutePosition()); },
                [](R& s, const Variant& v) { s.recordset_->SetAbsolutePosition(ToLong(v)); })
            .Property(
                "Bookmark",
                [](R& s) { return Variant(static_cast<double>(s.recordset_->GetBookmark())); },
                [](R& s, const Variant& v) {
                  s.recordset_->SetBookmark(static_cast<Bookmark>(ToDouble(v)));
                })
            .Property("LastModified",
                      [](R& s) { return Variant(static_cast<double>(s.recordset_->LastModified())); })
            .Method("MoveFirst", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->MoveFirst(); })
            .Method("MoveLast", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->MoveLast(); })
            .Method("MoveNext", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->MoveNext(); })
            .Method("MovePrevious", 0, 0,
                    [](R& s, std::span<Variant>) { s.recordset_->MovePrevious(); })
            .Method("AddNew", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->AddNew(); })
            .Method("Edit", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->Edit(); })
            .Method("Update", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->Update(); })
            .Method("CancelUpdate", 0, 0,
                    [](R& s, std::span<Variant>) { s.recordset_->CancelUpdate(); })
            .Method("Delete", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->Delete(); })
            .Method("Close", 0, 0, [](R& s, std::span<Variant>) { s.recordset_->Close(); })
            .Build();
    return info;
  }

 private:
  int32_t Column(const Variant& key) const {
    return key.IsString() ? recordset_->ColumnIndex(key.string_value()) : ToLong(key);
  }
  Variant FieldAt(const Variant& key) {
    int32_t column = Column(key);
    if (column < 0 || static_cast<size_t>(column) >= recordset_->Columns().size()) {
      ThrowItemNotFound();
    }
    return Wrap(std::make_shared<RecordsetFieldObject>(recordset_, column));
  }
  std::shared_ptr<Recordset> recordset_;
};

// ---- databases ---------------------------------------------------------------------------

class DatabaseObject final : public Object {
 public:
  explicit DatabaseObject(std::shared_ptr<Database> database) : database_(std::move(database)) {}
  const std::shared_ptr<Database>& database() const { return database_; }

  const ClassInfo& Class() const override {
    using D = DatabaseObject;
    static const ClassInfo info =
        ClassInfoBuilder<D>("Database")
            .Property("Name", [](D& s) { return Variant(s.database_->Name()); })
            .Method("Close", 0, 0, [](D& s, std::span<Variant>) { s.database_->Close(); })
            .Method("Execute", 1, 2,
                    [](D& s, std::span<Variant> a) { s.database_->Execute(ToText(a[0])); })
            .Method("OpenRecordset", 1, 3,
                    [](D& s, std::span<Variant> a) {
                      return WrapRecordset(s.database_->OpenRecordset(ToText(a[0])));
                    })
            .Property("TableDefs",
                      [](D& s) {
                        auto db = s.database_;
                        return Wrap(std::make_shared<CollectionObject>(
                            [db] {
                              std::vector<std::shared_ptr<Object>> items;
                              for (const auto& t : db->TableDefs()) items.push_back(WrapTableDef(t));
                              return items;
                            },
                            [db](const Variant& v) {
                              auto table = UnwrapTableDef(v);
                              if (!table) throw MakeError(ErrorCode::kTypeMismatch);
                              db->AppendTableDef(table);
                            },
                            [db](const std::string& name) { db->DeleteTableDef(name); }));
                      })
            .Property("Relations",
                      [](D& s) {
                        auto db = s.database_;
                        return Wrap(std::make_shared<CollectionObject>(
                            [db] {
                              std::vector<std::shared_ptr<Object>> items;
                              for (const auto& r : db->Relations()) {
                                items.push_back(std::make_shared<RelationObject>(r));
                              }
                              return items;
                            },
                            [db](const Variant& v) {
                              auto* relation = v.IsObject() ? dynamic_cast<RelationObject*>(
                                                                  v.object_value().get())
                                                            : nullptr;
                              if (relation == nullptr) throw MakeError(ErrorCode::kTypeMismatch);
                              db->AppendRelation(relation->relation());
                            },
                            [db](const std::string& name) { db->DeleteRelation(name); }));
                      })
            .Method("CreateTableDef", 0, 1,
                    [](D& s, std::span<Variant> a) {
                      return WrapTableDef(s.database_->CreateTableDef(Given(a[0]) ? ToText(a[0]) : ""));
                    })
            .Method("CreateRelation", 0, 4,
                    [](D& s, std::span<Variant> a) {
                      auto text = [&](size_t i) { return Given(a[i]) ? ToText(a[i]) : std::string(); };
                      return Wrap(std::make_shared<RelationObject>(s.database_->CreateRelation(
                          text(0), text(1), text(2), Given(a[3]) ? ToLong(a[3]) : 0)));
                    })
            .Build();
    return info;
  }

 private:
  std::shared_ptr<Database> database_;
};

template <class Wrapper>
Wrapper* As(const Variant& value) {
  if (!value.IsObject() || !value.object_value()) return nullptr;
  return dynamic_cast<Wrapper*>(value.object_value().get());
}

}  // namespace

std::shared_ptr<Object> WrapDatabase(std::shared_ptr<Database> database) {
  if (!database) return nullptr;
  return std::make_shared<DatabaseObject>(std::move(database));
}

std::shared_ptr<Object> WrapRecordset(std::shared_ptr<Recordset> recordset) {
  if (!recordset) return nullptr;
  return std::make_shared<RecordsetObject>(std::move(recordset));
}

std::shared_ptr<Object> WrapTableDef(std::shared_ptr<TableDef> table) {
  if (!table) return nullptr;
  return std::make_shared<TableDefObject>(std::move(table));
}

std::shared_ptr<Database> UnwrapDatabase(const Variant& object) {
  auto* wrapper = As<DatabaseObject>(object);
  return wrapper ? wrapper->database() : nullptr;
}

std::shared_ptr<Recordset> UnwrapRecordset(const Variant& object) {
  auto* wrapper = As<RecordsetObject>(object);
  return wrapper ? wrapper->recordset() : nullptr;
}

std::shared_ptr<TableDef> UnwrapTableDef(const Variant& object) {
  auto* wrapper = As<TableDefObject>(object);
  return wrapper ? wrapper->table() : nullptr;
}

}  // namespace orvalis
