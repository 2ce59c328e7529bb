// ICMS: the apuração of one declaration, fields 051 to 066 of own operations and of tax
// substitution, and the totals of its payments, computed from the rows the declaration
// file holds ("Orvalis.ICMS").
//
// An object holds one thing of its own: its database reference, set by DBIndex and by
// every assignment of NroVEK. The declaration number and the current file name belong to
// the thread (ThisThread()): assigning NroVEK on one ICMS object changes the number every
// ICMS object of the thread uses. Nothing is cached: every field runs its queries anew.
//
// Field operations return Empty when the object is not bound (or a guard applies), else
// money text "#,##0.00" in Brazilian form ("1.234.567,50"), "0,00" when nothing is found.
// Composite fields are never Empty; 063, 065 and 066 give "0,00 " (one trailing blank)
// instead of a negative value. Engine and conversion errors reach the caller as
// orvalis::Error, except in Campo064IcmsST11 and AtualizaCampo061IcmsST11, which end
// quietly. An object belongs to the thread that created it.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <string_view>

#include "orvalis/class_info.h"
#include "orvalis/database.h"
#include "orvalis/object.h"
#include "orvalis/variant.h"

namespace orvalis {

namespace apuracao {
enum class FieldId : uint8_t;
}

class ORVALIS_EXPORT ICMS final : public Object {
 public:
  const ClassInfo& Class() const override;

  // Binds the object to the database open under `database_name` in the workspace
  // "Brisquel". A failed look-up is swallowed and the previous binding stays.
  void DBIndex(std::string_view database_name);

  // The thread's current declaration number (Empty until first assigned).
  Variant NroVEK() const;
  // Reads the current file's path from the settings ("Brisquel", "DB", "DbAtual") into
  // the thread's state, rebinds this object to the database open under that path (none
  // when the path is empty or not open), and stores `value` unconverted as the thread's
  // declaration number. Never fails.
  void LetNroVEK(const Variant& value);

  // Own operations (fields 051 to 064).
  Variant Campo051ICMS();
  Variant Campo052ICMS();
  Variant Campo053ICMS();
  Variant Campo055ICMS();
  Variant Campo056ICMS();
  Variant Campo057ICMS();
  Variant Campo058ICMS();
  Variant Campo060ICMS();
  Variant Campo061ICMS();
  Variant Campo062ICMS();
  Variant Campo063ICMS();
  // Empty unless the object is bound to the database that the settings name; Error 3265
  // when that name is empty or not open.
  Variant Campo064IcmsRPA();
  // Writes the value, converted to currency, to DeduçõesRPA of the declaration's header
  // row; does nothing when the number is the empty text or -1, the object is unbound or
  // the row is missing. Error 13 when the value does not convert (nothing written).
  // Always returns Empty.
  Variant AtualizaCampo064IcmsRPA(const Variant& campo064);
  Variant Campo064IcmsRES();

  // Tax substitution (fields 051 to 066 of ST). 051 and 056 read the reference period
  // from the settings (Error 13 when it does not read as a date).
  Variant Campo051IcmsST11();
  Variant Campo052IcmsST11();
  Variant Campo053IcmsST11();
  Variant Campo055IcmsST11();
  Variant Campo056IcmsST11();
  Variant Campo057IcmsST11();
  Variant Campo058IcmsST11();
  Variant Campo060IcmsST11();
  Variant Campo061IcmsST11();
  // Writes the value as passed to SaldoCredAntDigST; every failure is swallowed and
  // leaves the row unchanged. Always returns Empty.
  Variant AtualizaCampo061IcmsST11(const Variant& txt061);
  Variant Campo062IcmsST11();
  Variant Campo063IcmsST11();
  // Ends quietly on any failure past the binding test, returning what it held then.
  Variant Campo064IcmsST11();
  // Writes the value as passed to DeduçõesST; failures (no header row: 3021; a value the
  // column cannot take) reach the caller and leave the row unchanged. Returns Empty.
  Variant AtualizaCampo064IcmsST11(const Variant& txt064);
  Variant Campo065IcmsST11();
  Variant Campo066IcmsST11();

  // Payment totals, unformatted: the currency sums and the long counts of the payments of
  // own operations and of tax substitution. Empty when unbound or the number is -1; with
  // no payment of the kind, Empty for a sum and the integer 0 for a count; the integer 0
  // for a Null sum.
  Variant PagamentosICMS();
  Variant PagamentosICMS_ST();
  Variant PagamentosICMSContar();
  Variant PagamentosICMS_STConta();

  // The database this object is bound to, or nullptr.
  const std::shared_ptr<Database>& database() const { return database_; }

 private:
  // Runs the member that `id` describes; `argument` is the value of a write-back.
  Variant Evaluate(apuracao::FieldId id, const Variant* argument = nullptr);

  std::shared_ptr<Database> database_;
};

}  // namespace orvalis
