"""Declaration files driven the way the front-end drives them: a new file from MantemDB,
opened, a taxpayer, a monthly declaration and its details entered through the record
classes, walked through a collection, the apuração read from ICMS (which finds the file
through the front-end's settings), and the file closed."""

import datetime
import decimal
import os
import shutil
import tempfile
import unittest

import orvalis
import orvalis_test_support as support

support.home_folder()
IE = "110042490114"


class DeclarationScenarioTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orvalis-scenario-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        # The front-end's settings live under XDG_CONFIG_HOME; this test writes its own.
        os.environ["XDG_CONFIG_HOME"] = os.path.join(self.folder, "config")
        self.m = orvalis.CreateObject("Orvalis.MantemDB")

    def new_declaration_file(self, name):
        return support.new_declaration_file(self.folder, name)

    def write_settings(self, path, month):
        folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "Brisquel")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "settings.ini"), "w", encoding="utf-8") as ini:
            ini.write(f"[DB]\nDbAtual={path}\n[pRef]\nRefAtual={month}\n"
                      f"[Data]\nDataLimite={month}\n")

    def test_a_declaration_entered_walked_and_computed(self):
        path = self.new_declaration_file("declaracao.mdb")
        self.assertEqual(self.m.Db_Open(path), 1)
        self.addCleanup(self.m.Db_close, path)

        taxpayer = support.bound("Contribuinte", path)
        taxpayer.IE = IE
        taxpayer.RS = "Comércio de Exemplo Ltda."
        taxpayer.UF = "SP"
        taxpayer.Create()

        header = support.bound("Referencia", path)
        header.IE = IE
        header.Ref1 = datetime.datetime(2026, 11, 1)
        header.SaldoCredAntDig = decimal.Decimal("1250.00")
        header.Create()
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

        occurrence = support.bound("Ocorrência", path)
        occurrence.NroVEK = number
        occurrence.CódSubItem = "002.01"
        occurrence.Valor = decimal.Decimal("350")
        occurrence.opPróprias = True
        occurrence.Create()
        self.assertGreater(occurrence.Código, 0)

        self.write_settings(path, "11/2026")
        icms = orvalis.CreateObject("Orvalis.ICMS")
        icms.NroVEK = number
        self.assertEqual(icms.Campo051ICMS(), "18.000,00")
        self.assertEqual(icms.Campo052ICMS(), "350,00")
        self.assertEqual(icms.Campo056ICMS(), "9.000,00")
        self.assertEqual(icms.Campo061ICMS(), "1.250,00")
        self.assertEqual(icms.Campo063ICMS(), "8.100,00")
        self.assertEqual(icms.PagamentosICMSContar(), 0)
        self.assertIs(icms.PagamentosICMS(), orvalis.Empty)

        # Deleting the header removes every detail through the file's relations.
        header.Delete()
        details.Fetch(number)
        self.assertEqual(details.Count, 0)

    def test_a_file_of_a_newer_version_is_refused(self):
        path = self.new_declaration_file("nova.mdb")
        self.assertEqual(self.m.Db_Open(path), 1)
        self.m.scitDB(path).Execute("UPDATE tblVersão SET Versão = '0801'")
        self.m.Db_close(path)
        self.assertEqual(self.m.Db_Open(path), -1)
        with self.assertRaises(orvalis.Error) as caught:
            support.bound("CFOP", path)
        self.assertEqual(caught.exception.number, 3265)

    def test_a_missing_file_fails_with_the_engine_error(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.m.Db_Open(os.path.join(self.folder, "nao_existe.mdb"))
        self.assertEqual(caught.exception.number, 3024)


if __name__ == "__main__":
    support.main()
