#include "orvalis/error.h"

#include <utility>

namespace orvalis {

Error::Error(int32_t number, std::string description)
    : number_(number), description_(std::move(description)) {}

namespace {

// '|' in a template stands for the name given to MakeError.
std::string_view Template(ErrorCode code) {
  switch (code) {
    case ErrorCode::kOverflow:
      return "Overflow";
    case ErrorCode::kTypeMismatch:
      return "Type mismatch";
    case ErrorCode::kInvalidUseOfNull:
      return "Invalid use of Null";
    case ErrorCode::kObjectRequired:
      return "Object required";
    case ErrorCode::kMemberNotFound:
      return "Object doesn't support this property or method: '|'";
    case ErrorCode::kWrongArgumentCount:
      return "Wrong number of arguments or invalid property assignment: '|'";
    case ErrorCode::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case ErrorCode::kObjectNotCreatable:
      return "Cannot create object: '|'";
    case ErrorCode::kPathFileAccess:
      return "Path/File access error: '|'";
    case ErrorCode::kInvalidArgument:
      return "Invalid argument.";
    case ErrorCode::kNullInKey:
      return "Index or primary key cannot contain a Null value.";
    case ErrorCode::kFieldInIndex:
      return "Cannot delete a field that is part of an index or is needed by the system.";
    case ErrorCode::kPrimaryKeyExists:
      return "Primary key already exists.";
    case ErrorCode::kTableInRelationship:
      return "Cannot delete or change the table '|'.  It participates in one or more "
             "relationships.";
    case ErrorCode::kTableExists:
      return "Table '|' already exists.";
    case ErrorCode::kObjectExists:
      return "Object '|' already exists.";
    case ErrorCode::kUpdateWithoutEdit:
      return "Update or CancelUpdate without AddNew or Edit.";
    case ErrorCode::kNoCurrentRecord:
      return "No current record.";
    case ErrorCode::kDuplicateKey:
      return "The changes you requested to the table were not successful because they would "
             "create duplicate values in the index, primary key, or relationship.  Change the "
             "data in the field or fields that contain duplicate data, remove the index, or "
             "redefine the index to permit duplicate entries and try again.";
    case ErrorCode::kFileNotFound:
      return "Could not find file '|'.";
    case ErrorCode::kReadOnly:
      return "Cannot update.  Database or object is read-only.";
    case ErrorCode::kBadPassword:
      return "Not a valid password.";
    case ErrorCode::kFileInUse:
      return "Could not use '|'; file already in use.";
    case ErrorCode::kCorruptDatabase:
      return "Cannot open database '|'. It may not be a database that your application "
             "recognizes, or the file may be corrupt.";
    case ErrorCode::kCannotOpenFile:
      return "The database engine cannot open the file '|'. It is already opened exclusively "
             "by another user, or you need permission to view its data.";
    case ErrorCode::kCurrentlyLocked:
      return "Could not update; currently locked.";
    case ErrorCode::kTooFewParameters:
      return "Too few parameters. Expected |.";
    case ErrorCode::kSyntaxInExpression:
      return "Syntax error (missing operator) in query expression '|'.";
    case ErrorCode::kTableNotFound:
      return "The database engine cannot find the input table or query '|'.  Make sure it "
             "exists and that its name is spelled correctly.";
    case ErrorCode::kUndefinedFunction:
      return "Undefined function '|' in expression.";
    case ErrorCode::kInvalidStatement:
      return "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
             "'UPDATE'.";
    case ErrorCode::kSyntaxInFrom:
      return "Syntax error in FROM clause.";
    case ErrorCode::kSyntaxInStatement:
      return "Syntax error in INSERT INTO, UPDATE, DELETE or DROP statement.";
    case ErrorCode::kFieldTooSmall:
      return "The field is too small to accept the amount of data you attempted to add.  Try "
             "inserting or pasting less data.";
    case ErrorCode::kFieldNotUpdatable:
      return "Field cannot be updated.";
    case ErrorCode::kRecordDeleted:
      return "Record is deleted.";
    case ErrorCode::kFieldDefinedTwice:
      return "Cannot define field more than once.";
    case ErrorCode::kRelatedRecordsExist:
      return "The record cannot be deleted or changed because table '|' includes related "
             "records.";
    case ErrorCode::kRelatedRecordRequired:
      return "You cannot add or change a record because a related record is required in "
             "table '|'.";
    case ErrorCode::kDatabaseExists:
      return "Database already exists.";
    case ErrorCode::kItemNotFound:
      return "Item not found in this collection.";
    case ErrorCode::kIndexExists:
      return "Index already exists.";
    case ErrorCode::kUnrecognizedFormat:
      return "Unrecognized database format '|'.";
    case ErrorCode::kNumericOverflow:
      return "Numeric field overflow.";
    case ErrorCode::kCannotAppend:
      return "Cannot append. An object with that name already exists in the collection.";
    case ErrorCode::kObjectInvalid:
      return "Object invalid or no longer set.";
    case ErrorCode::kConversionError:
      return "Data type conversion error.";
    case ErrorCode::kCriteriaMismatch:
      return "Data type mismatch in criteria expression.";
    case ErrorCode::kEngineFailure:
      return "Reserved error (|); there is no message for this error.";
  }
  return "";
}

}  // namespace

std::string ErrorText(ErrorCode code, std::string_view name) {
  std::string_view text = Template(code);
  std::string out;
  out.reserve(text.size() + name.size());
  for (char c : text) {
    if (c == '|') {
      out.append(name);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

Error MakeError(ErrorCode code, std::string_view name) {
  return Error(static_cast<int32_t>(code), ErrorText(code, name));
}

}  // namespace orvalis
