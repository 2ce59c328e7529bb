#include "engine/late_bound_objects.h"

#include <functional>

#include "component/collection.h"
#include "orvalis/class_info.h"
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
            .IndexedProperty(
                "Item", 1, 1,
                [](CollectionObject& self, std::span<Variant> a) { return self.Item(a[0]); })
            // The default member: coll(key) is coll.Item(key).
            .IndexedProperty(
                "", 1, 1,
                [](CollectionObject& self, std::span<Variant> a) { return self.Item(a[0]); })
            .Property("Count",
                      [](CollectionObject& self) {
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

// A late-bound face of one engine object, which it shares.
template <class T>
class Wrapped : public Object {
 public:
  explicit Wrapped(std::shared_ptr<T> item) : item_(std::move(item)) {}
  const std::shared_ptr<T>& item() const { return item_; }

 protected:
  std::shared_ptr<T> item_;
};

template <class Wrapper>
Wrapper* As(const Variant& value) {
  if (!value.IsObject() || !value.object_value()) return nullptr;
  return dynamic_cast<Wrapper*>(value.object_value().get());
}

// The engine object behind a face of kind Wrapper; 13 when `value` is no such face.
template <class Wrapper>
auto Unwrapped(const Variant& value) {
  Wrapper* wrapper = As<Wrapper>(value);
  if (wrapper == nullptr) throw MakeError(ErrorCode::kTypeMismatch);
  return wrapper->item();
}

// A collection's items: what `list` returns, each behind a face of kind Wrapper.
template <class Wrapper, class List>
CollectionObject::Lister EachWrapped(List list) {
  return [list] {
    std::vector<std::shared_ptr<Object>> items;
    for (const auto& item : list()) items.push_back(std::make_shared<Wrapper>(item));
    return items;
  };
}

// A collection's Append: hands `append` the engine object behind the face given.
template <class Wrapper, class Append>
CollectionObject::Appender Unwrapping(Append append) {
  return [append](const Variant& value) { append(Unwrapped<Wrapper>(value)); };
}

// ---- definitions -------------------------------------------------------------------------

class FieldObject final : public Wrapped<Field> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<FieldObject>("Field")
            .Property(
                "Name", [](FieldObject& s) { return Variant(s.item_->Name()); },
                [](FieldObject& s, const Variant& v) { s.item_->SetName(ToText(v)); })
            .Property("Type",
                      [](FieldObject& s) {
                        return Variant::Integer(static_cast<int16_t>(s.item_->Type()));
                      })
            .Property("Size", [](FieldObject& s) { return Variant(s.item_->Size()); })
            .Property(
                "Attributes", [](FieldObject& s) { return Variant(s.item_->Attributes()); },
                [](FieldObject& s, const Variant& v) { s.item_->SetAttributes(ToLong(v)); })
            .Property(
                "ForeignName", [](FieldObject& s) { return Variant(s.item_->ForeignName()); },
                [](FieldObject& s, const Variant& v) { s.item_->SetForeignName(ToText(v)); })
            .Build();
    return info;
  }
};

template <class Owner>
std::shared_ptr<CollectionObject> FieldList(std::shared_ptr<Owner> owner) {
  return std::make_shared<CollectionObject>(
      EachWrapped<FieldObject>([owner] { return owner->Fields(); }),
      Unwrapping<FieldObject>(
          [owner](std::shared_ptr<Field> field) { owner->AppendField(field); }));
}

class IndexObject final : public Wrapped<Index> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<IndexObject>("Index")
            .Property("Name", [](IndexObject& s) { return Variant(s.item_->Name()); })
            .Property(
                "Primary", [](IndexObject& s) { return Variant(s.item_->Primary()); },
                [](IndexObject& s, const Variant& v) { s.item_->SetPrimary(ToBoolean(v)); })
            .Property(
                "Unique", [](IndexObject& s) { return Variant(s.item_->Unique()); },
                [](IndexObject& s, const Variant& v) { s.item_->SetUnique(ToBoolean(v)); })
            .Property("Fields", [](IndexObject& s) { return Wrap(FieldList(s.item_)); })
            .Method(
                "CreateField", 1, 1,
                [](IndexObject& s, std::span<Variant> a) {
                  return Wrap(std::make_shared<FieldObject>(s.item_->CreateField(ToText(a[0]))));
                })
            .Build();
    return info;
  }
};

class TableDefObject final : public Wrapped<TableDef> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<TableDefObject>("TableDef")
            .Property(
                "Name", [](TableDefObject& s) { return Variant(s.item_->Name()); },
                [](TableDefObject& s, const Variant& v) { s.item_->SetName(ToText(v)); })
            .Property(
                "Connect", [](TableDefObject& s) { return Variant(s.item_->Connect()); },
                [](TableDefObject& s, const Variant& v) { s.item_->SetConnect(ToText(v)); })
            .Property(
                "SourceTableName",
                [](TableDefObject& s) { return Variant(s.item_->SourceTableName()); },
                [](TableDefObject& s, const Variant& v) { s.item_->SetSourceTableName(ToText(v)); })
            .Property("Fields", [](TableDefObject& s) { return Wrap(FieldList(s.item_)); })
            .Property("Indexes",
                      [](TableDefObject& s) {
                        auto table = s.item_;
                        return Wrap(std::make_shared<CollectionObject>(
                            EachWrapped<IndexObject>([table] { return table->Indexes(); }),
                            Unwrapping<IndexObject>(
                                [table](std::shared_ptr<Index> i) { table->AppendIndex(i); }),
                            [table](const std::string& name) { table->DeleteIndex(name); }));
                      })
            .Method("CreateField", 1, 3,
                    [](TableDefObject& s, std::span<Variant> a) {
                      FieldType type =
                          Given(a[1]) ? static_cast<FieldType>(ToLong(a[1])) : FieldType::kText;
                      int32_t size = Given(a[2]) ? ToLong(a[2]) : 0;
                      return Wrap(std::make_shared<FieldObject>(
                          s.item_->CreateField(ToText(a[0]), type, size)));
                    })
            .Method(
                "CreateIndex", 1, 1,
                [](TableDefObject& s, std::span<Variant> a) {
                  return Wrap(std::make_shared<IndexObject>(s.item_->CreateIndex(ToText(a[0]))));
                })
            .Build();
    return info;
  }
};

class RelationObject final : public Wrapped<Relation> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<RelationObject>("Relation")
            .Property("Name", [](RelationObject& s) { return Variant(s.item_->Name()); })
            .Property("Table", [](RelationObject& s) { return Variant(s.item_->Table()); })
            .Property("ForeignTable",
                      [](RelationObject& s) { return Variant(s.item_->ForeignTable()); })
            .Property("Attributes",
                      [](RelationObject& s) { return Variant(s.item_->Attributes()); })
            .Property("Fields", [](RelationObject& s) { return Wrap(FieldList(s.item_)); })
            .Method(
                "CreateField", 1, 1,
                [](RelationObject& s, std::span<Variant> a) {
                  return Wrap(std::make_shared<FieldObject>(s.item_->CreateField(ToText(a[0]))));
                })
            .Build();
    return info;
  }
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
            .Property("Name", [](RecordsetFieldObject& s) { return Variant(s.column().name); })
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

class RecordsetObject final : public Wrapped<Recordset> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    using R = RecordsetObject;
    static const ClassInfo info =
        ClassInfoBuilder<R>("Recordset")
            .IndexedProperty(
                "", 1, 1,
                [](R& s, std::span<Variant> a) { return s.item_->GetValue(s.Column(a[0])); },
                [](R& s, std::span<Variant> a, const Variant& v) {
                  s.item_->SetValue(s.Column(a[0]), DefaultValue(v));
                })
            .IndexedProperty("Fields", 0, 1,
                             [](R& s, std::span<Variant> a) {
                               if (Given(a[0])) return s.FieldAt(a[0]);
                               auto rs = s.item_;
                               return Wrap(std::make_shared<CollectionObject>([rs] {
                                 std::vector<std::shared_ptr<Object>> items;
                                 for (size_t i = 0; i < rs->Columns().size(); ++i) {
                                   items.push_back(std::make_shared<RecordsetFieldObject>(
                                       rs, static_cast<int32_t>(i)));
                                 }
                                 return items;
                               }));
                             })
            .Property("EOF", [](R& s) { return Variant(s.item_->IsEof()); })
            .Property("BOF", [](R& s) { return Variant(s.item_->IsBof()); })
            .Property("RecordCount", [](R& s) { return Variant(s.item_->RecordCount()); })
            .Property(
                "AbsolutePosition", [](R& s) { return Variant(s.item_->AbsolutePosition()); },
                [](R& s, const Variant& v) { s.item_->SetAbsolutePosition(ToLong(v)); })
            .Property(
                "Bookmark",
                [](R& s) { return Variant(static_cast<double>(s.item_->GetBookmark())); },
                [](R& s, const Variant& v) {
                  s.item_->SetBookmark(static_cast<Bookmark>(ToDouble(v)));
                })
            .Property("LastModified",
                      [](R& s) { return Variant(static_cast<double>(s.item_->LastModified())); })
            .Method("MoveFirst", 0, 0, [](R& s, std::span<Variant>) { s.item_->MoveFirst(); })
            .Method("MoveLast", 0, 0, [](R& s, std::span<Variant>) { s.item_->MoveLast(); })
            .Method("MoveNext", 0, 0, [](R& s, std::span<Variant>) { s.item_->MoveNext(); })
            .Method("MovePrevious", 0, 0, [](R& s, std::span<Variant>) { s.item_->MovePrevious(); })
            .Method("AddNew", 0, 0, [](R& s, std::span<Variant>) { s.item_->AddNew(); })
            .Method("Edit", 0, 0, [](R& s, std::span<Variant>) { s.item_->Edit(); })
            .Method("Update", 0, 0, [](R& s, std::span<Variant>) { s.item_->Update(); })
            .Method("CancelUpdate", 0, 0, [](R& s, std::span<Variant>) { s.item_->CancelUpdate(); })
            .Method("Delete", 0, 0, [](R& s, std::span<Variant>) { s.item_->Delete(); })
            .Method("Close", 0, 0, [](R& s, std::span<Variant>) { s.item_->Close(); })
            .Build();
    return info;
  }

 private:
  int32_t Column(const Variant& key) const {
    return key.IsString() ? item_->ColumnIndex(key.string_value()) : ToLong(key);
  }
  Variant FieldAt(const Variant& key) {
    int32_t column = Column(key);
    if (column < 0 || static_cast<size_t>(column) >= item_->Columns().size()) {
      ThrowItemNotFound();
    }
    return Wrap(std::make_shared<RecordsetFieldObject>(item_, column));
  }
};

// ---- databases ---------------------------------------------------------------------------

class DatabaseObject final : public Wrapped<Database> {
 public:
  using Wrapped::Wrapped;

  const ClassInfo& Class() const override {
    using D = DatabaseObject;
    static const ClassInfo info =
        ClassInfoBuilder<D>("Database")
            .Property("Name", [](D& s) { return Variant(s.item_->Name()); })
            .Method("Close", 0, 0, [](D& s, std::span<Variant>) { s.item_->Close(); })
            .Method("Execute", 1, 2,
                    [](D& s, std::span<Variant> a) { s.item_->Execute(ToText(a[0])); })
            .Method("OpenRecordset", 1, 3,
                    [](D& s, std::span<Variant> a) {
                      return WrapRecordset(s.item_->OpenRecordset(ToText(a[0])));
                    })
            .Property("TableDefs",
                      [](D& s) {
                        auto db = s.item_;
                        return Wrap(std::make_shared<CollectionObject>(
                            EachWrapped<TableDefObject>([db] { return db->TableDefs(); }),
                            Unwrapping<TableDefObject>(
                                [db](std::shared_ptr<TableDef> t) { db->AppendTableDef(t); }),
                            [db](const std::string& name) { db->DeleteTableDef(name); }));
                      })
            .Property("Relations",
                      [](D& s) {
                        auto db = s.item_;
                        return Wrap(std::make_shared<CollectionObject>(
                            EachWrapped<RelationObject>([db] { return db->Relations(); }),
                            Unwrapping<RelationObject>(
                                [db](std::shared_ptr<Relation> r) { db->AppendRelation(r); }),
                            [db](const std::string& name) { db->DeleteRelation(name); }));
                      })
            .Method("CreateTableDef", 0, 1,
                    [](D& s, std::span<Variant> a) {
                      return WrapTableDef(s.item_->CreateTableDef(Given(a[0]) ? ToText(a[0]) : ""));
                    })
            .Method("CreateRelation", 0, 4,
                    [](D& s, std::span<Variant> a) {
                      auto text = [&](size_t i) {
                        return Given(a[i]) ? ToText(a[i]) : std::string();
                      };
                      return Wrap(std::make_shared<RelationObject>(s.item_->CreateRelation(
                          text(0), text(1), text(2), Given(a[3]) ? ToLong(a[3]) : 0)));
                    })
            .Build();
    return info;
  }
};

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
  return wrapper ? wrapper->item() : nullptr;
}

std::shared_ptr<Recordset> UnwrapRecordset(const Variant& object) {
  auto* wrapper = As<RecordsetObject>(object);
  return wrapper ? wrapper->item() : nullptr;
}

std::shared_ptr<TableDef> UnwrapTableDef(const Variant& object) {
  auto* wrapper = As<TableDefObject>(object);
  return wrapper ? wrapper->item() : nullptr;
}

}  // namespace orvalis
