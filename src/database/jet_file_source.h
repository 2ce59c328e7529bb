// JetFileSource: reads a file of the old engine (Jet 3.0 or 4.0) through mdbtools'
// library. mdbtools finds the tables, columns, indexes and rows; every value is decoded
// here from its bytes (jet_values.h), since the library's text forms of some values are
// lossy (long texts cut, fixed-point scales misplaced).
//
// The file is opened read-only and never written. One thread; rows of one table at a
// time (the library keeps one current page per file).
#pragma once

#include <memory>
#include <string>

#include "database/jet_source.h"

namespace orvalis::database {

class JetFileSource final : public JetSource {
 public:
  // Raises 3024 when the file is missing, 3343 when the library cannot read it.
  explicit JetFileSource(const std::string& path);
  ~JetFileSource() override;
  JetFileSource(const JetFileSource&) = delete;
  JetFileSource& operator=(const JetFileSource&) = delete;

  std::vector<JetTable> Tables() override;
  std::unique_ptr<JetRows> Rows(const JetTable& table) override;

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace orvalis::database
