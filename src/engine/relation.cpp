#include "orvalis/relation.h"

#include "component/collection.h"
#include "orvalis/error.h"

namespace orvalis {

std::shared_ptr<Field> Relation::CreateField(std::string name) {
  return std::make_shared<Field>(std::move(name), FieldType::kText, 0);
}

void Relation::AppendField(std::shared_ptr<Field> field) {
  if (PositionNamed(fields_, field->Name()) >= 0) throw MakeError(ErrorCode::kFieldDefinedTwice);
  fields_.push_back(std::move(field));
}

}  // namespace orvalis
