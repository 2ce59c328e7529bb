"""Declaration files driven the way the front-end drives them: a new file from MantemDB,
opened, a taxpayer, a monthly declaration and its details entered through the record
classes, walked through a collection, the apuração read from ICMS and from Apuracao in one
pass (which find the file through the front-end's settings), and the file closed."""

import datetime
import decimal
import unittest

import orvalis
import orvalis_test_support as support

support.home_folder()
IE = "110042490114"


class DeclarationScenarioTest(unittest.TestCase):
    def test_a_declaration_entered_walked_and_computed(self):
        path = support.open_new_declaration(self)
        support.enter(path, "Contribuinte", IE=IE, RS="Comércio de Exemplo Ltda.", UF="SP")
        header = support.enter(path, "Referencia", IE=IE, Ref1=datetime.datetime(2026, 11, 1),
                               SaldoCredAntDig=decimal.Decimal("1250.00"))
        number = header.NroVEK
        self.assertEqual(number, 1)
        self.assertEqual(header.Ref1, datetime.datetime(2026, 11, 1))

        cfop = support.bound("CFOP", path)
        for code, tax in (("1102", "9000.00"), ("5102", "14400.00"), ("6102", "3600.00")):
            cfop.Clear()
            cfop.NroVEK = number
            cfop.CFOP = code
            cfop.Imposto = decimal.Decimal(tax)
            cfop.Create()
        self.assertEqual(cfop.Imposto, decimal.Decimal("3600"))

        details = support.bound("CFOPs", path)
        details.Fetch(number)
        self.assertEqual(details.Count, 3)
        self.assertEqual(sorted(support.walk(details, "CFOP")), [("1102",), ("5102",), ("6102",)])
        details.Fetch(number, "5*")
        rows = details.Conjunto
        self.assertEqual(rows.Fields("CFOP").Value, "5102")
        self.assertEqual(rows("Imposto"), decimal.Decimal("14400"))

        occurrence = support.enter(path, "Ocorrência", NroVEK=number, CódSubItem="002.01",
                                   Valor=decimal.Decimal("350"), opPróprias=True)
        self.assertGreater(occurrence.Código, 0)

        support.write_settings(self.folder, path, "11/2026")
        icms = orvalis.CreateObject("Orvalis.ICMS")
        icms.NroVEK = number
        # 063 draws on every amount entered above; each field is checked in C++.
        self.assertEqual(icms.Campo051ICMS(), "18.000,00")
        self.assertEqual(icms.Campo063ICMS(), "8.100,00")
        self.assertEqual(icms.PagamentosICMSContar(), 0)
        self.assertIs(icms.PagamentosICMS(), orvalis.Empty)

        apuracao = orvalis.CreateObject("Orvalis.Apuracao")  # every field in one pass
        apuracao.NroVEK = number
        apuracao.Calcula()
        self.assertEqual(apuracao.Campo051ICMS, "18.000,00")
        self.assertEqual(apuracao.Campo063ICMS, "8.100,00")
        self.assertIs(apuracao.PagamentosICMS, orvalis.Empty)


if __name__ == "__main__":
    support.main()
