// Registration of the record and collection classes for creation by name.
#include <memory>

#include "component/class_list.h"
#include "orvalis/class_registry.h"
#include "orvalis/records/cfop.h"
#include "orvalis/records/contribuinte.h"
#include "orvalis/records/detalhe_zfmalc.h"
#include "orvalis/records/dipam.h"
#include "orvalis/records/ie_remetente.h"
#include "orvalis/records/ie_substituido.h"
#include "orvalis/records/ie_substituto.h"
#include "orvalis/records/interestadual.h"
#include "orvalis/records/ocorrencia.h"
#include "orvalis/records/ocorrencias_credito.h"
#include "orvalis/records/pagamento.h"
#include "orvalis/records/referencia.h"
#include "orvalis/records/registro_exp.h"

namespace orvalis {

namespace {

template <typename T>
void Register(const char* prog_id) {
  RegisterClass(prog_id, [] { return std::make_shared<T>(); });
}

}  // namespace

void RegisterRecordClasses() {
  Register<CFOP>("Orvalis.CFOP");
  Register<CFOPs>("Orvalis.CFOPs");
  Register<Referencia>("Orvalis.Referencia");
  Register<Referencias>("Orvalis.Referencias");
  Register<Contribuinte>("Orvalis.Contribuinte");
  Register<Contribuintes>("Orvalis.Contribuintes");
  Register<Interestadual>("Orvalis.Interestadual");
  Register<Interestaduais>("Orvalis.Interestaduais");
  Register<DetalheZFMALC>("Orvalis.DetalheZFMALC");
  Register<DetalhesZFMALC>("Orvalis.DetalhesZFMALC");
  Register<Ocorrência>("Orvalis.Ocorrência");
  Register<Ocorrências>("Orvalis.Ocorrências");
  Register<IERemetente>("Orvalis.IERemetente");
  Register<IEsRemetentes>("Orvalis.IEsRemetentes");
  Register<IESubstituto>("Orvalis.IESubstituto");
  Register<IESubstitutos>("Orvalis.IESubstitutos");
  Register<IESubstituido>("Orvalis.IESubstituido");
  Register<IESubstituidos>("Orvalis.IESubstituidos");
  Register<OcorrenciasCredito>("Orvalis.OcorrenciasCredito");
  Register<OcorrenciasCreditos>("Orvalis.OcorrenciasCreditos");
  Register<DIPAM>("Orvalis.DIPAM");
  Register<DIPAMs>("Orvalis.DIPAMs");
  Register<RegistroExp>("Orvalis.RegistroExp");
  Register<RegistroExps>("Orvalis.RegistroExps");
  Register<Pagamento>("Orvalis.Pagamento");
  Register<Pagamentos>("Orvalis.Pagamentos");
}

}  // namespace orvalis
