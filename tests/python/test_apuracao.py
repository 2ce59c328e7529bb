"""Orvalis.Apuracao from Python: every field and total of a declaration at once, each the
same as its ICMS member gives, and a failing field raising the member's error."""

import datetime
import decimal
import functools
import unittest

import orvalis
import orvalis_test_support as support

support.home_folder()
D = decimal.Decimal


class ApuracaoTest(unittest.TestCase):
    def setUp(self):
        self.path = support.open_new_declaration(self)
        enter = functools.partial(support.enter, self.path)
        enter("Contribuinte", IE="110042490114", UF="SP")
        self.number = enter("Referencia", IE="110042490114", Ref1=datetime.datetime(2026, 11, 1),
                            SaldoCredAntDig=D("20000")).NroVEK
        for code, tax, st in (("1102", 9000, 10), ("5102", 14400, 900), ("5405", 0, 5)):
            enter("CFOP", NroVEK=self.number, CFOP=code, Imposto=D(tax), ImpostoRetidoST=D(st),
                  ImpRetSubstitutoST=D(2 * st))
        enter("Pagamento", NroVEK=self.number, opPróprias=True, Data="10/12/2026", Valor=D(3000))

    def test_every_field_is_what_its_member_gives(self):
        icms = orvalis.CreateObject("Orvalis.ICMS")
        apuracao = orvalis.CreateObject("Orvalis.Apuracao")
        for month in ("10/2026", "11/2026", "12/2026"):  # around the cut-over month
            with self.subTest(month=month):
                support.write_settings(self.folder, self.path, month, "11/2026")
                icms.NroVEK = apuracao.NroVEK = self.number
                apuracao.Calcula()
                names = [member.name for member in orvalis.members(apuracao)][3:]
                self.assertEqual(len(names), 31)
                for name in names:
                    self.assertEqual(getattr(apuracao, name), getattr(icms, name)(), name)
        self.assertEqual(apuracao.Campo063ICMS, "0,00 ")
        self.assertEqual(apuracao.PagamentosICMS, D("3000"))
        self.assertIs(apuracao.PagamentosICMS_ST, orvalis.Empty)

    def test_a_failing_field_raises_the_members_error(self):
        support.write_settings(self.folder, self.path, "", "11/2026")  # no reference period
        apuracao = orvalis.CreateObject("Orvalis.Apuracao")
        apuracao.NroVEK = self.number
        apuracao.Calcula()
        with self.assertRaises(orvalis.Error) as caught:
            apuracao.Campo051IcmsST11
        self.assertEqual(caught.exception.number, 13)
        self.assertEqual(apuracao.Campo051ICMS, "14.400,00")


if __name__ == "__main__":
    support.main()
