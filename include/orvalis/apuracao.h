// Apuracao: every field and total of one declaration's ICMS apuração, computed at once
// ("Orvalis.Apuracao").
//
// It answers the 31 field and total members of ICMS (all of them but DBIndex, NroVEK and
// the three write-backs) with a handful of queries: the CFOP details summed by first
// digit and the occurrences by sub-item prefix and kind, one grouped query each, one
// read of the header row and one grouped query of the payments, where the members send
// about seventy statements (a composite field runs its parts' queries again). The fields
// are then made up by the members' own rules: the same money texts, the same composition
// and clamps, the same guards.
//
// Binding as ICMS: DBIndex binds the object, NroVEK is the thread's declaration number
// (shared with every ICMS object of the thread), and assigning it rebinds the object to
// the database the settings name. Calcula computes every field for the binding, the
// number and the settings of that moment, and the fields keep what it found until the
// next Calcula; before the first one every field is Empty. Calcula reads the settings
// (the reference period, the current file's name) once. Nothing is ever written.
//
// Each field holds exactly what its ICMS member would have returned at that moment (the
// same kind and text, Empty included, "0,00 " for a clamped field), or the error the
// member would have raised, with the same number and description; reading that field
// raises the error. Calcula itself never raises: one failing field (an unreadable
// reference period fails 051 and 056 of tax substitution and the composites built on
// them) leaves the others readable. Where the members' own statements decide the outcome
// (a declaration number that is not a whole number: never set, a fraction, a Boolean, a
// text that does not read as a number; or a grouped query that fails, for instance on a
// file without one of the tables or columns), the fields concerned are computed by their
// own members; a quiet field (064 of ST) asked that way reports its failure to the
// diagnostics hook as its member does.
//
// An object belongs to the thread that created it.
#pragma once

#include "orvalis/export.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/error.h"
#include "orvalis/icms.h"
#include "orvalis/object.h"
#include "orvalis/variant.h"

namespace orvalis {

// One field as Calcula found it.
struct ORVALIS_EXPORT ApuracaoField {
  std::string_view name;       // the ICMS member it answers ("Campo051ICMS")
  Variant value;               // what the member returns (Empty when `error` is set)
  std::optional<Error> error;  // what the member raises

  // The value; raises the error instead when there is one.
  const Variant& Get() const;
};

class ORVALIS_EXPORT Apuracao final : public Object {
 public:
  Apuracao();
  const ClassInfo& Class() const override;

  // As ICMS::DBIndex: binds to the database open under that name; a failed look-up is
  // swallowed and the previous binding stays.
  void DBIndex(std::string_view database_name);
  // As ICMS: the thread's current declaration number, and its assignment, which reads the
  // current file's path from the settings and rebinds this object to it. Never fails.
  Variant NroVEK() const;
  void LetNroVEK(const Variant& value);

  // Computes every field at once. Never raises.
  void Calcula();

  // Every field, in the order of the ICMS interface.
  std::span<const ApuracaoField> Campos() const { return fields_; }

  // The fields by name: the value, or the field's error raised.
  Variant Campo051ICMS() const;
  Variant Campo052ICMS() const;
  Variant Campo053ICMS() const;
  Variant Campo055ICMS() const;
  Variant Campo056ICMS() const;
  Variant Campo057ICMS() const;
  Variant Campo058ICMS() const;
  Variant Campo060ICMS() const;
  Variant Campo061ICMS() const;
  Variant Campo062ICMS() const;
  Variant Campo063ICMS() const;
  Variant Campo064IcmsRPA() const;
  Variant Campo064IcmsRES() const;
  Variant Campo051IcmsST11() const;
  Variant Campo052IcmsST11() const;
  Variant Campo053IcmsST11() const;
  Variant Campo055IcmsST11() const;
  Variant Campo056IcmsST11() const;
  Variant Campo057IcmsST11() const;
  Variant Campo058IcmsST11() const;
  Variant Campo060IcmsST11() const;
  Variant Campo061IcmsST11() const;
  Variant Campo062IcmsST11() const;
  Variant Campo063IcmsST11() const;
  Variant Campo064IcmsST11() const;
  Variant Campo065IcmsST11() const;
  Variant Campo066IcmsST11() const;
  Variant PagamentosICMS() const;
  Variant PagamentosICMS_ST() const;
  Variant PagamentosICMSContar() const;
  Variant PagamentosICMS_STConta() const;

  // The database this object is bound to, or nullptr.
  const std::shared_ptr<Database>& database() const { return icms_.database(); }

 private:
  const Variant& Value(apuracao::FieldId id) const;

  ICMS icms_;  // the binding, and the members the one pass defers to
  std::vector<ApuracaoField> fields_;
};

}  // namespace orvalis
