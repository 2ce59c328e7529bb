"""Orvalis.Apuracao from Python: every field and total of a declaration at once, each the
same as its ICMS member gives, and a failing field raising the member's error."""

import datetime
import decimal
import os
import shutil
import tempfile
import unittest

import orvalis
import orvalis_test_support as support

HOME = support.home_folder()
IE = "110042490114"


class ApuracaoTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orvalis-apuracao-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        os.environ["XDG_CONFIG_HOME"] = os.path.join(self.folder, "config")
        m = orvalis.CreateObject("Orvalis.MantemDB")
        m.NovoArquivo()
        self.path = os.path.join(self.folder, "declaracao.mdb")
        shutil.copyfile(os.path.join(HOME, "BDTemp.mdb"), self.path)
        self.assertEqual(m.Db_Open(self.path), 1)
        self.addCleanup(m.Db_close, self.path)
        self.number = self.enter_declaration()

    def bound(self, class_name):
        obj = orvalis.CreateObject(class_name)
        obj.DBIndex(self.path)
        return obj

    def enter_declaration(self):
        taxpayer = self.bound("Orvalis.Contribuinte")
        taxpayer.IE = IE
        taxpayer.UF = "SP"
        taxpayer.Create()
        header = self.bound("Orvalis.Referencia")
        header.IE = IE
        header.Ref1 = datetime.datetime(2026, 11, 1)
        header.SaldoCredAntDig = decimal.Decimal("20000")
        header.Create()
        cfop = self.bound("Orvalis.CFOP")
        for code, tax, st in (("1102", "9000", "10"), ("5102", "14400", "900"), ("5405", "0", "5")):
            cfop.Clear()
            cfop.NroVEK = header.NroVEK
            cfop.CFOP = code
            cfop.Imposto = decimal.Decimal(tax)
            cfop.ImpostoRetidoST = decimal.Decimal(st)
            cfop.ImpRetSubstitutoST = decimal.Decimal(st) * 2
            cfop.Create()
        payment = self.bound("Orvalis.Pagamento")
        payment.NroVEK = header.NroVEK
        payment.opPróprias = True
        payment.Data = "10/12/2026"
        payment.Valor = decimal.Decimal("3000")
        payment.Create()
        return header.NroVEK

    def write_settings(self, month, limit):
        folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "Brisquel")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "settings.ini"), "w", encoding="utf-8") as ini:
            ini.write(f"[DB]\nDbAtual={self.path}\n[pRef]\nRefAtual={month}\n"
                      f"[Data]\nDataLimite={limit}\n")

    def fields(self, obj):
        return [member.name for member in orvalis.members(obj)][3:]

    def test_every_field_is_what_its_member_gives(self):
        icms = orvalis.CreateObject("Orvalis.ICMS")
        apuracao = orvalis.CreateObject("Orvalis.Apuracao")
        for month in ("10/2026", "11/2026", "12/2026"):  # around the cut-over month
            with self.subTest(month=month):
                self.write_settings(month, "11/2026")
                icms.NroVEK = self.number
                apuracao.NroVEK = self.number
                apuracao.Calcula()
                names = self.fields(apuracao)
                self.assertEqual(len(names), 31)
                for name in names:
                    self.assertEqual(getattr(apuracao, name), getattr(icms, name)(), name)
        self.assertEqual(apuracao.Campo063ICMS, "0,00 ")
        self.assertEqual(apuracao.PagamentosICMS, decimal.Decimal("3000"))
        self.assertIs(apuracao.PagamentosICMS_ST, orvalis.Empty)

    def test_a_failing_field_raises_the_members_error(self):
        self.write_settings("", "11/2026")  # no reference period: 051 and 056 of ST fail
        apuracao = orvalis.CreateObject("Orvalis.Apuracao")
        apuracao.NroVEK = self.number
        apuracao.Calcula()
        with self.assertRaises(orvalis.Error) as caught:
            apuracao.Campo051IcmsST11
        self.assertEqual(caught.exception.number, 13)
        self.assertEqual(apuracao.Campo051ICMS, "14.400,00")


if __name__ == "__main__":
    support.main()
