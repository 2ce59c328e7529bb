// orvalis::Error: the one exception type of the component.
//
// Every failure that reaches a caller carries a number and a description. Engine
// failures keep the numbers and texts of the declaration engine (3021 "No current
// record.", 3022 duplicate key, ...); the runtime's own conversion failure is 13
// "Type mismatch". The catalog below is the single place where numbers and texts live.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace orvalis {

class ORVALIS_EXPORT Error : public std::exception {
 public:
  Error(int32_t number, std::string description);

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string description_;
};

// Error numbers the component raises. Engine numbers follow the old engine.
enum class ErrorCode : int32_t {
  kOverflow = 6,
  kTypeMismatch = 13,
  kInvalidUseOfNull = 94,
  kObjectRequired = 424,
  kMemberNotFound = 438,
  kWrongArgumentCount = 450,
  kInvalidProcedureCall = 5,
  kObjectNotCreatable = 429,
  kPathFileAccess = 75,
  kInvalidArgument = 3001,
  kNullInKey = 3058,
  kFieldInIndex = 3280,
  kPrimaryKeyExists = 3283,
  kTableInRelationship = 3303,
  kTableExists = 3010,
  kObjectExists = 3012,
  kUpdateWithoutEdit = 3020,
  kNoCurrentRecord = 3021,
  kDuplicateKey = 3022,
  kFileNotFound = 3024,
  kReadOnly = 3027,
  kBadPassword = 3031,
  kFileInUse = 3045,
  kCorruptDatabase = 3049,
  kCannotOpenFile = 3051,
  kTooFewParameters = 3061,
  kCurrentlyLocked = 3218,
  kSyntaxInExpression = 3075,
  kTableNotFound = 3078,
  kUndefinedFunction = 3085,
  kInvalidStatement = 3129,
  kSyntaxInFrom = 3131,
  kSyntaxInStatement = 3134,
  kFieldTooSmall = 3163,
  kFieldNotUpdatable = 3164,
  kRecordDeleted = 3167,
  kFieldDefinedTwice = 3191,
  kRelatedRecordsExist = 3200,
  kRelatedRecordRequired = 3201,
  kDatabaseExists = 3204,
  kItemNotFound = 3265,
  kIndexExists = 3284,
  kUnrecognizedFormat = 3343,
  kNumericOverflow = 3349,
  kCannotAppend = 3367,
  kObjectInvalid = 3420,
  kConversionError = 3421,
  kCriteriaMismatch = 3464,
  kEngineFailure = 3000,
};

// Builds the error of that number with its standard text; `name` fills the text's
// placeholder where it has one (a table, a file, an expression).
ORVALIS_EXPORT Error MakeError(ErrorCode code, std::string_view name = {});

// The standard text of an error number ("" when the catalog has none).
ORVALIS_EXPORT std::string ErrorText(ErrorCode code, std::string_view name = {});

}  // namespace orvalis
