"""One declaration entered the way the front-end enters it, with every kind of detail:
state lines of a CFOP, free-zone shipments under a state line, an occurrence with its
sender, substitute and substituted registrations and its credit receipts, and DIPAM
values; each walked back through its collection. Deleting the occurrence takes its
registration lists with it and leaves its credit receipts."""

import datetime
import decimal
import unittest

import orvalis
import orvalis_test_support as support
from orvalis_test_support import walk

support.home_folder()
IE = "110042490114"
D = decimal.Decimal


class DetailsScenarioTest(unittest.TestCase):
    def setUp(self):
        self.path = support.open_new_declaration(self)

    def bound(self, class_name):
        return support.bound(class_name, self.path)

    def enter(self, class_name, **values):
        return support.enter(self.path, class_name, **values)

    def test_a_declaration_with_every_kind_of_detail(self):
        self.enter("Contribuinte", IE=IE, RS="Distribuidora Exemplo Ltda.", UF="SP")
        number = self.enter("Referencia", IE=IE, Ref1=datetime.datetime(2026, 11, 1)).NroVEK
        self.enter("CFOP", NroVEK=number, CFOP="6107", ValorContábil=D("30000"))

        # State lines: the class turns the abbreviation into the state's code.
        for sigla, tax in (("RJ", "1200.00"), ("AM", "840.00")):
            line = self.enter("Interestadual", NroVEK=number, CFOP="6107", Sigla=sigla,
                              Imposto=D(tax))
        self.assertEqual((line.Sigla, line.UF), ("AM", "13"))
        lines = self.bound("Interestaduais")
        lines.Fetch(number, "6107")
        self.assertEqual(lines.Count, 2)
        self.assertEqual(walk(lines, "Sigla", "UF", "Imposto"),
                         [("AM", "13", D("840")), ("RJ", "33", D("1200"))])
        self.assertEqual(lines.Imposto(2), D("1200"))
        self.assertEqual(lines.Sigla(1), "AM")

        # Free-zone shipments under the AM line, invoice by invoice.
        entries = []
        for nf, municipality, value in (("000777", "1304062", "500.00"),
                                        ("000555", "1302603", "1500.25")):
            shipment = self.enter("DetalheZFMALC", NroVEK=number, CFOP="6107", UF="13", NF=nf,
                                  Data=datetime.datetime(2026, 11, 10), Valor=D(value),
                                  CNPJDest="12.345.678/0001-90", MunicípioDest=municipality)
            entries.append(shipment.NroLançamento)
        self.assertEqual(shipment.Município, "Manaus")
        self.assertNotEqual(entries[0], entries[1])
        shipments = self.bound("DetalhesZFMALC")
        shipments.Fetch(number, "6107")
        self.assertEqual(walk(shipments, "NF", "Sigla", "Município", "Valor"),
                         [("000555", "AM", "Manaus", D("1500.25")),
                          ("000777", "AM", "Tabatinga", D("500"))])

        # An occurrence with every list that hangs off it.
        occurrence = self.enter("Ocorrência", NroVEK=number, CódSubItem="002.01",
                                Ocorrência="Crédito recebido por transferência",
                                Valor=D("2500"), opPróprias=True)
        code = occurrence.Código
        for ie, value in (("223344556677", "1000"), ("112233445566", "1500")):
            self.enter("IERemetente", Código=code, IERemetente=ie, Valor=D(value))
        self.enter("IESubstituto", Código=code, IESubstituto="998877665544", NF="123",
                   DataInicio=datetime.datetime(2026, 11, 1),
                   DataFim=datetime.datetime(2026, 11, 30), Valor=D("300"))
        self.enter("IESubstituido", Código=code, IESubstituido="554433221100", NF="456",
                   Valor=D("200"))
        for authorisation in ("1234567890123456", "1299999999999999"):
            receipt = self.enter("OcorrenciasCredito", Código=code,
                                 CodAutorização=authorisation, Valor=D("1250"))
        self.assertEqual(receipt.Valor, D("1250"))

        lists = {name: self.bound(name) for name in
                 ("IEsRemetentes", "IESubstitutos", "IESubstituidos", "OcorrenciasCreditos")}
        for collection in lists.values():
            collection.Fetch(code)
        self.assertEqual(walk(lists["IEsRemetentes"], "IERemetente", "Valor"),
                         [("112233445566", D("1500")), ("223344556677", D("1000"))])
        self.assertEqual(walk(lists["IESubstitutos"], "IESubstituto", "NF", "DataFim"),
                         [("998877665544", "123", datetime.datetime(2026, 11, 30))])
        self.assertEqual(walk(lists["IESubstituidos"], "IESubstituido", "NF"),
                         [("554433221100", "456")])
        lists["OcorrenciasCreditos"].Fetch(code, "12*")
        self.assertEqual(walk(lists["OcorrenciasCreditos"], "CodAutorização"),
                         [("1234567890123456",), ("1299999999999999",)])

        # DIPAM values by municipality, read back in the order of the names.
        for municipality, value in (("3550308", "800"), ("3509502", "200")):
            dipam = self.enter("DIPAM", NroVEK=number, CódDIPAM="22",
                               CódMunicípio=municipality, Valor=D(value))
        self.assertGreater(dipam.Código, 0)
        dipams = self.bound("DIPAMs")
        dipams.Fetch(number, "22")
        self.assertFalse(dipams.MoveLast())
        self.assertEqual(walk(dipams, "Município", "CódMunicípio", "Valor", last="MoveLast"),
                         [("Campinas", "3509502", D("200")), ("São Paulo", "3550308", D("800"))])

        # Deleting the occurrence takes its registration lists, not its credit receipts.
        occurrence.Delete()
        counts = {}
        for name, collection in lists.items():
            collection.Fetch(code)
            counts[name] = collection.Count
        self.assertEqual(counts, {"IEsRemetentes": 0, "IESubstitutos": 0, "IESubstituidos": 0,
                                  "OcorrenciasCreditos": 2})
        occurrences = self.bound("Ocorrências")
        occurrences.Fetch(number, True)
        self.assertTrue(occurrences.Last())
        # The other details of the declaration are untouched.
        shipments.Fetch(number, "6107")
        self.assertEqual(shipments.Count, 2)
        lines.Fetch(number, "6107", "AM")
        self.assertEqual(lines.Count, 1)


if __name__ == "__main__":
    support.main()
