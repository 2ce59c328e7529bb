"""Values round-trip between Python and the component's Variants (through the
test-only class Orvalis._Echo)."""

import copy
import datetime
import decimal
import pickle
import unittest

import orvalis
import orvalis_test_support as support

D = decimal.Decimal


class ConversionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        orvalis._testing_echo()

    def setUp(self):
        self.echo = orvalis.CreateObject("Orvalis._Echo")

    def kind(self, value):
        return self.echo.Kinds(value).split(",")[0]

    def round_trip(self, value):
        return self.echo.Echo(value)

    # ---- the singletons ----------------------------------------------------------------

    def test_singletons_are_distinct_falsy_and_named(self):
        specials = [orvalis.Empty, orvalis.Null, orvalis.Nothing, orvalis.Missing]
        self.assertEqual(len({id(s) for s in specials}), 4)
        self.assertEqual([repr(s) for s in specials],
                         ["orvalis.Empty", "orvalis.Null", "orvalis.Nothing", "orvalis.Missing"])
        for special in specials:
            self.assertFalse(special)
            self.assertIs(copy.copy(special), special)
            self.assertIs(copy.deepcopy(special), special)
            self.assertIs(pickle.loads(pickle.dumps(special)), special)

    def test_empty_null_nothing_round_trip_as_the_same_singletons(self):
        self.assertIs(self.round_trip(orvalis.Empty), orvalis.Empty)
        self.assertIs(self.round_trip(orvalis.Null), orvalis.Null)
        self.assertIs(self.round_trip(orvalis.Nothing), orvalis.Nothing)
        self.assertEqual(self.kind(orvalis.Empty), "Empty")
        self.assertEqual(self.kind(orvalis.Null), "Null")
        self.assertEqual(self.kind(orvalis.Nothing), "Nothing")
        self.assertIs(self.echo.Convert(1, "Null"), orvalis.Null)
        self.assertIs(self.echo.Convert(1, "Empty"), orvalis.Empty)
        self.assertIs(self.echo.Convert(1, "Nothing"), orvalis.Nothing)

    def test_none_passes_as_empty(self):
        self.assertEqual(self.kind(None), "Empty")
        self.assertIs(self.round_trip(None), orvalis.Empty)

    def test_left_out_and_explicit_missing_arguments(self):
        self.assertEqual(self.echo.Kinds(), "Missing,Missing,Missing")
        self.assertEqual(self.echo.Kinds(1), "Long,Missing,Missing")
        self.assertEqual(self.echo.Kinds(1, orvalis.Missing, "x"), "Long,Missing,String")
        self.assertIs(self.round_trip(orvalis.Missing), orvalis.Missing)

    # ---- numbers, texts, Booleans ------------------------------------------------------

    def test_bool(self):
        self.assertEqual(self.kind(True), "Boolean")
        self.assertIs(self.round_trip(True), True)
        self.assertIs(self.round_trip(False), False)

    def test_int_is_long_when_it_fits_32_bits(self):
        for value in (0, 1, -1, 2**31 - 1, -2**31):
            self.assertEqual(self.kind(value), "Long")
            result = self.round_trip(value)
            self.assertIs(type(result), int)
            self.assertEqual(result, value)

    def test_wider_int_is_double_when_exact(self):
        self.assertEqual(self.kind(2**31), "Double")
        self.assertEqual(self.round_trip(2**31), 2.0**31)
        self.assertEqual(self.kind(-2**40), "Double")
        self.assertEqual(self.round_trip(2**60), float(2**60))
        with self.assertRaises(OverflowError):
            self.echo.Echo(2**60 + 1)
        with self.assertRaises(OverflowError):
            self.echo.Echo(10**400)

    def test_integer_and_byte_come_back_as_int(self):
        self.assertEqual(self.echo.Convert("12", "Integer"), 12)
        self.assertIs(type(self.echo.Convert("12", "Integer")), int)
        self.assertEqual(self.echo.Convert(200, "Byte"), 200)
        self.assertEqual(self.echo.Convert(7, "Long"), 7)

    def test_float(self):
        self.assertEqual(self.kind(1.5), "Double")
        self.assertEqual(self.round_trip(0.1), 0.1)
        self.assertEqual(self.echo.Convert("1.234,5", "Double"), 1234.5)

    def test_str_utf8(self):
        for text in ("", "Operação de saída", "ÇÃÕ€", "a\x00b"):
            self.assertEqual(self.kind(text), "String")
            self.assertEqual(self.round_trip(text), text)
        self.assertEqual(self.echo.Convert(True, "String"), "True")
        self.assertEqual(self.echo.Convert(D("12.50"), "String"), "12,5")

    # ---- Currency ----------------------------------------------------------------------

    def test_decimal_is_currency_exactly(self):
        self.assertEqual(self.kind(D("1.5")), "Currency")
        for text in ("0", "0.0001", "-0.0001", "1234567.8912", "922337203685477.5807",
                     "-922337203685477.5808", "0.1", "1E+3"):
            result = self.round_trip(D(text))
            self.assertIsInstance(result, D)
            self.assertEqual(result, D(text))
            self.assertEqual(result.as_tuple().exponent, -4)
        self.assertEqual(str(self.round_trip(D("12.5"))), "12.5000")
        self.assertEqual(str(self.round_trip(D("-0.00"))), "0.0000")

    def test_decimal_rounds_half_to_even_at_four_places(self):
        cases = {
            "0.00005": "0.0000",
            "0.00015": "0.0002",
            "0.00025": "0.0002",
            "0.000250001": "0.0003",
            "-0.00015": "-0.0002",
            "2.71828": "2.7183",
            "1E-30": "0.0000",
            "0.0000499999999999999999999": "0.0000",
        }
        for given, expected in cases.items():
            self.assertEqual(str(self.round_trip(D(given))), expected, given)

    def test_decimal_out_of_range_raises_overflow(self):
        for text in ("922337203685477.5808", "-922337203685477.5809", "1E+20", "NaN",
                     "Infinity", "-Infinity", "922337203685477.58075"):
            with self.assertRaises(orvalis.Error, msg=text) as caught:
                self.echo.Echo(D(text))
            self.assertEqual(caught.exception.number, 6)
        # Just below the limit, rounding stays in range.
        self.assertEqual(self.round_trip(D("922337203685477.58074")),
                         D("922337203685477.5807"))

    def test_currency_from_the_component(self):
        self.assertEqual(self.echo.Convert("1.234,56", "Currency"), D("1234.56"))
        self.assertEqual(self.echo.Convert(0.125, "Currency"), D("0.125"))

    # ---- Date --------------------------------------------------------------------------

    def test_datetime_is_date(self):
        when = datetime.datetime(2004, 3, 12, 13, 45, 30)
        self.assertEqual(self.kind(when), "Date")
        self.assertEqual(self.round_trip(when), when)
        self.assertEqual(self.echo.Convert(when, "String"), "12/03/2004 13:45:30")
        before_epoch = datetime.datetime(1899, 12, 29, 6, 0, 0)
        self.assertEqual(self.round_trip(before_epoch), before_epoch)
        self.assertEqual(self.echo.Convert(before_epoch, "Double"), -1.25)

    def test_date_is_accepted_and_comes_back_as_datetime(self):
        result = self.round_trip(datetime.date(2020, 2, 29))
        self.assertIs(type(result), datetime.datetime)
        self.assertEqual(result, datetime.datetime(2020, 2, 29))
        self.assertEqual(self.echo.Convert(datetime.date(1899, 12, 31), "Double"), 1.0)

    def test_microseconds_are_dropped(self):
        when = datetime.datetime(2010, 1, 2, 3, 4, 5, 999999)
        self.assertEqual(self.round_trip(when), when.replace(microsecond=0))

    def test_date_from_the_component(self):
        self.assertEqual(self.echo.Convert("31/12/2003", "Date"), datetime.datetime(2003, 12, 31))

    def test_date_before_year_100_is_refused(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Echo(datetime.date(99, 1, 1))
        self.assertEqual(caught.exception.number, 5)

    # ---- objects and unsupported values ------------------------------------------------

    def test_objects_round_trip_as_the_same_object(self):
        other = orvalis.CreateObject("Orvalis._Echo")
        back = self.round_trip(other)
        self.assertIsInstance(back, orvalis.Object)
        self.assertEqual(back, other)
        self.assertNotEqual(back, self.echo)
        self.assertEqual(hash(back), hash(other))
        self.assertEqual(self.kind(other), "Object")
        self.assertEqual(self.echo.Self, self.echo)

    def test_unsupported_types_raise_type_error(self):
        for value in (b"bytes", [1], {"a": 1}, object(), 1j, datetime.time(1, 2)):
            with self.assertRaises(TypeError, msg=repr(value)):
                self.echo.Echo(value)

    # ---- by reference ------------------------------------------------------------------

    def test_plain_arguments_are_not_written_back(self):
        n = 41
        self.echo.Bump(n)
        self.assertEqual(n, 41)

    def test_ref_receives_what_the_member_wrote(self):
        box = orvalis.Ref(41)
        self.assertIs(self.echo.Bump(box), orvalis.Empty)
        self.assertEqual(box.value, 42)
        self.echo.Bump(box)
        self.assertEqual(box.value, 43)
        self.assertEqual(repr(box), "orvalis.Ref(43)")
        self.assertIs(orvalis.Ref().value, orvalis.Empty)

    def test_ref_is_written_back_when_the_member_fails(self):
        box = orvalis.Ref("not a number")
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Bump(box)
        self.assertEqual(caught.exception.number, 13)
        self.assertEqual(box.value, "not a number")

    def test_ref_cannot_hold_a_ref(self):
        with self.assertRaises(TypeError):
            self.echo.Echo(orvalis.Ref(orvalis.Ref(1)))


if __name__ == "__main__":
    support.main()
