// Orvalis: the Brazilian ICMS declaration component for Linux. This one header is all a
// front-end includes: it brings every public class and function of the library.
//
// A front-end creates the component's classes by name (CreateObject("Orvalis.CFOP")) and
// calls their members by name (Invoke), or uses their typed C++ faces below; it opens
// declaration files with MantemDB and binds each object to one with DBIndex. Errors are
// orvalis::Error (a number and a description). Objects and open files belong to the
// thread that made them.
#pragma once

#include "orvalis/apuracao.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/corrige_converte_db.h"
#include "orvalis/currency.h"
#include "orvalis/database.h"
#include "orvalis/date.h"
#include "orvalis/dbengine.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/field.h"
#include "orvalis/field_type.h"
#include "orvalis/icms.h"
#include "orvalis/mantem_db.h"
#include "orvalis/messages.h"
#include "orvalis/object.h"
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
#include "orvalis/recordset.h"
#include "orvalis/relation.h"
#include "orvalis/settings.h"
#include "orvalis/tabledef.h"
#include "orvalis/transaction.h"
#include "orvalis/variant.h"
