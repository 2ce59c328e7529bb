// DetalheZFMALC and DetalhesZFMALC: shipments to the free-trade zones (ZFM/ALC), one row
// of tblZFM_ALC per invoice under a declaration, CFOP and state, identified alone by its
// entry number NroLançamento (a counter the engine gives). The recipient municipality's
// name and state abbreviation are joined in from the fixed table tblMunicípiosZFM_ALC.
// Created by the front-end as "Orvalis.DetalheZFMALC" and "Orvalis.DetalhesZFMALC".
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT DetalheZFMALC final : public RecordBase {
 public:
  // The properties, in the order Fetch reads them (Sigla only the collection's Item fills).
  enum Field : size_t {
    kNroLançamento,
    kNroVEK,
    kCFOP,
    kUF,
    kNF,
    kData,
    kValor,
    kCNPJDest,
    kMunicípioDest,
    kMunicípio,
    kSigla,
  };

  DetalheZFMALC();  // cleared: NroLançamento, NroVEK and Valor 0, the rest Null
  const ClassInfo& Class() const override;

  // Loads the shipment of entry number `nro_lançamento`, with its municipality's name
  // (Null when no free-zone municipality has its code); clears the object when there is
  // none.
  void Fetch(const Variant& nro_lançamento);

 private:
  // Create: inserts the held values and reloads the row by the entry number the engine gave it,
  // which NroLançamento then holds.
  void CreateRow() override;
  // Delete: deletes the shipment of the held NroLançamento; nothing when there is none.
  void DeleteRow() override;
  // Update: writes the held values into the shipment of the held NroLançamento and reloads it;
  // nothing when there is none.
  void UpdateRow() override;
};

// The shipments of one declaration and CFOP, of one state or one entry, ordered by
// invoice number. Its item receives neither NroVEK nor CFOP; it receives UF only from the
// list of every state (the statements of the other two lists do not select it).
class ORVALIS_EXPORT DetalhesZFMALC final : public RecordCollection<DetalheZFMALC> {
 public:
  DetalhesZFMALC();
  const ClassInfo& Class() const override;

  // The shipments of the declarations Like `p_nro_vek` and CFOPs Like `p_cfop`: of the
  // states Like `p_uf` when given, and then of the entry Like `p_nro_lançamento` when that
  // is given too. An entry without a state builds no statement: the list is empty.
  void Fetch(const Variant& p_nro_vek, const Variant& p_cfop,
             const Variant& p_uf = Variant::Missing(),
             const Variant& p_nro_lançamento = Variant::Missing());
};

}  // namespace orvalis
