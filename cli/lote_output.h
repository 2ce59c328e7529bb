// How `orvalis lote` writes its rows: one per file and declaration, with the file, the
// IE, the NroVEK, every field and total by its member's name and the error (number and
// description) of a file or field that failed; as tab-separated text with a heading
// line, as CSV (RFC 4180) with the same columns, or as a JSON array of objects.
#pragma once

#include <iosfwd>
#include <vector>

#include "lote.h"

namespace orvalis::cli {

enum class LoteFormat { kText, kCsv, kJson };

void WriteLote(const std::vector<LoteFile>& files, LoteFormat format, std::ostream& out);

}  // namespace orvalis::cli
