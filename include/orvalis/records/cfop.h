// CFOP and CFOPs: the CFOP details of a declaration, one row of tblDetalhesCFOPs per
// declaration (NroVEK) and CFOP code, with the amounts the declaration reports for that
// operation code. Created by the front-end as "Orvalis.CFOP" and "Orvalis.CFOPs".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <string_view>

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT CFOP final : public RecordBase {
 public:
  // The properties, in the order of the table's columns.
  enum Field : size_t {
    kNroVEK,
    kCFOP,
    kValorContábil,
    kBaseCálculo,
    kImposto,
    kIsentasNãoTrib,
    kOutras,
    kImpostoRetidoST,
    kImpRetSubstitutoST,
    kImpRetSubstituido,
    kOutrosImpostos,
  };

  CFOP();  // cleared: NroVEK and the amounts 0, CFOP Null
  const ClassInfo& Class() const override;

  // Loads the row of declaration `nro_vek` and code `cfop`; clears the object when there
  // is none. A failing statement leaves the held values as they were.
  void Fetch(const Variant& nro_vek, const Variant& cfop);
  // Deletes the first free-zone shipment row (tblZFM_ALC) of that declaration and CFOP.
  void DeleteZFM_ALC(int32_t vek_num, std::string_view cfop_num);

 private:
  // Create: inserts the held values (keys included) and reloads the row as stored. A refused
  // insert (a duplicate key, no such declaration) leaves no row and no reload.
  void CreateRow() override;
  // Delete: deletes the row of the held keys, if there is one. The held values stay.
  void DeleteRow() override;
  // Update: writes the held amounts to the row of the held keys (never the keys themselves);
  // nothing when there is no such row.
  void UpdateRow() override;
};

// The CFOP rows of one declaration, in the engine's order. Its item reads the two
// tax-substitution columns ImpRetSubstitutoST and ImpRetSubstituido as "0" when Null.
class ORVALIS_EXPORT CFOPs final : public RecordCollection<CFOP> {
 public:
  CFOPs();
  const ClassInfo& Class() const override;

  // The rows of declaration `p_nro_vek`, or those whose code is Like `p_cfop` when it is
  // given. Positioned on the first row; the item is not filled.
  void Fetch(const Variant& p_nro_vek, const Variant& p_cfop = Variant::Missing());
};

}  // namespace orvalis
