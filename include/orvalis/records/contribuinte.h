// Contribuinte and Contribuintes: the taxpayer register, one row of tblContribuinte per
// state registration (IE, the key), with the company's name (property RS, column
// RazãoSocial), federal registration, activity code, address and contacts. Created by the
// front-end as "Orvalis.Contribuinte" and "Orvalis.Contribuintes".
//
// An IE beginning with "8" has no state of its own in the register: Create leaves its UF
// column alone, and Update writes UF only when one is held.
//
// The record and collection pattern, errors and threads are those of record_base.h.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <optional>

#include "orvalis/records/record_base.h"

namespace orvalis {

class ORVALIS_EXPORT Contribuinte final : public RecordBase {
 public:
  // The properties, in the order every operation goes through the columns.
  enum Field : size_t {
    kIE,
    kRS,
    kCNPJ,
    kCNAE,
    kLocalização,
    kNúmero,
    kComplemento,
    kBairro,
    kCEP,
    kMunicípio,
    kUF,
    kTelefone,
    kHomePage,
    kFAX,
    kContato,
    kEmail,
    kDataCadastro,
    kObservação,
  };

  // Cleared: CNPJ "__.___.___/____-__", CNAE "____-_/__", CEP "_____-___", the rest Empty.
  Contribuinte();
  const ClassInfo& Class() const override;

  // Loads the taxpayer `ie` (a Null UF read as ""); clears the object when there is none.
  void Fetch(const Variant& ie);

 private:
  // Create: inserts the held values (UF only for an IE not beginning with "8") and leaves the
  // recordset on the new row; no reload. A duplicate IE leaves nothing.
  void CreateRow() override;
  // Delete: deletes the taxpayer of the held IE, with its declarations; nothing when absent.
  void DeleteRow() override;
  // Update: writes every held value to the taxpayer of the held IE, UF as told above; nothing
  // when there is no such taxpayer.
  void UpdateRow() override;
};

// One taxpayer, or all of them ordered by the last character of the IE. Its item reads
// every column as it is (a Null UF stays Null).
class ORVALIS_EXPORT Contribuintes final : public RecordCollection<Contribuinte> {
 public:
  Contribuintes();
  const ClassInfo& Class() const override;

  // The taxpayer `p_ie` when given; otherwise every taxpayer, those whose IE ends in 0
  // first and in 9 last (ties in the engine's order). `p_ordenado` changes nothing.
  void Fetch(const Variant& p_ie = Variant::Missing(),
             std::optional<int16_t> p_ordenado = std::nullopt);
};

}  // namespace orvalis
