// Interestadual and Interestaduais: the amounts of a declaration broken down by CFOP and
// by the other state of the operation, one row of tblDetalhesInterUFs per declaration,
// CFOP and state. The table keeps the state's code (UF, the Código of tblEstados); the
// front-end works with its abbreviation (Sigla), which every read joins in from
// tblEstados. Created by the front-end as "Orvalis.Interestadual" and
// "Orvalis.Interestaduais".
//
// The record and collection pattern, errors and threads are those of record_base.h;
// Count of Interestaduais is not trapped.
#pragma once

#include "orvalis/export.h"

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT Interestadual final : public RecordBase {
 public:
  // The properties, in the order Fetch reads them.
  enum Field : size_t {
    kNroVEK,
    kCFOP,
    kSigla,
    kUF,
    kValorContábil_1,
    kBaseCálculo_1,
    kValorContábil_2,
    kBaseCálculo_2,
    kImposto,
    kOutras,
    kICMSCobradoST,
    kPetróleoEnergia,
    kOutrosProdutos,
  };

  // Cleared: NroVEK and the amounts 0, CFOP, Sigla and UF "". Setting Sigla (Set or the
  // late-bound Let) looks the state up and sets UF to its code; the lookup's recordset
  // replaces the object's, so a following Update writes nothing.
  Interestadual();
  const ClassInfo& Class() const override;

  // Loads the first row, in abbreviation order, of the declarations Like `nro_vek`,
  // CFOPs Like `cfop` and states whose abbreviation is Like `sigla`; clears the object
  // when there is none.
  void Fetch(const Variant& nro_vek, const Variant& cfop, const Variant& sigla);

 private:
  // Create: inserts the held keys (NroVEK, CFOP, UF) and amounts, then reloads the row by the
  // held NroVEK, CFOP and Sigla, matched as they stand.
  void CreateRow() override;
  // Delete: looks the held Sigla up (stopping when no state has it) and deletes the row of the
  // held NroVEK, CFOP and that state's code.
  void DeleteRow() override;
  // Update: writes the held amounts into the row the last Fetch (or reload) left current, then
  // reloads it as Create does.
  void UpdateRow() override;
  void AfterLet(size_t field) override;
  // Sets UF to the code of the state of the held Sigla; false when no state has it.
  bool LookUpState();
  void Reload();
};

// The state lines of one declaration and CFOP, in abbreviation order. Besides the walk,
// thirteen accessor functions each read one column at a position (Value).
class ORVALIS_EXPORT Interestaduais final : public RecordCollection<Interestadual> {
 public:
  Interestaduais();
  const ClassInfo& Class() const override;

  // The lines of the declarations Like `p_nro_vek` and CFOPs Like `p_cfop`, of the states
  // whose abbreviation is Like `p_sigla` when it is given.
  void Fetch(const Variant& p_nro_vek, const Variant& p_cfop,
             const Variant& p_sigla = Variant::Missing());
  // The accessor function of `field`: moves to row `index` (1-based) unless it is Missing
  // and copies that column of the current row into the item; the value copied, or Empty
  // when it cannot be read.
  Variant Value(Interestadual::Field field, const Variant& index = Variant::Missing());
};

}  // namespace orvalis
