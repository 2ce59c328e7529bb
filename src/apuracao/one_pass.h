// The one-pass apuração: every field and total that the members of an ICMS object
// answer, computed at once with a handful of queries (the contract is Apuracao's,
// orvalis/apuracao.h).
#pragma once

#include <span>
#include <vector>

#include "apuracao/icms_fields.h"
#include "orvalis/apuracao.h"
#include "orvalis/icms.h"

namespace orvalis::apuracao {

// The members the one pass answers: the entries of the interface but the write-backs, in
// interface order.
std::span<const FieldId> ReportedFields();

// What each reported member of `icms` would give now (its binding, the thread's number
// and settings), in ReportedFields() order. Never raises; writes nothing.
std::vector<ApuracaoField> ComputeInOnePass(ICMS& icms);

}  // namespace orvalis::apuracao
