// The apuração of one stored declaration as the command prints it: fields 051 to 066 of
// own operations and of tax substitution, each with its number, a short Portuguese label
// and its value, and the payment totals; as text for people or as JSON for scripts.
#pragma once

#include <iosfwd>
#include <string>

#include "orvalis/variant.h"

namespace orvalis::cli {

struct ApuracaoRequest {
  std::string path;       // the declaration file, open in the shared workspace
  Variant declaration;    // its NroVEK
  std::string reference;  // mm/yyyy of the declaration
  std::string cutover;    // mm/yyyy of the cut-over date for the ST columns
};

// Computes the fields at once through an Apuracao object bound by the declaration number,
// with the settings it reads installed for the duration. Engine errors propagate.
void PrintApuracao(const ApuracaoRequest& request, bool json, std::ostream& out);

// Whether `month` is a reference month written MM/YYYY.
bool IsReferenceMonth(const std::string& month);

// The cut-over month: the one given, else the front-end's setting, else `reference`.
std::string CutoverOr(const std::string& given, const std::string& reference);

}  // namespace orvalis::cli
