"""Values round-trip between Python and the component's Variants (through the
test-only class Orvalis._Echo). The Variant conversions themselves are tested in C++;
these cases cover the binding's own mapping of Python types."""

import copy
import datetime
import decimal
import pickle
import unittest

import orvalis
import orvalis_test_support as support

D = decimal.Decimal


class ConversionTest(support.EchoTestCase):
    def kind(self, value):
        return self.echo.Kinds(value).split(",")[0]

    def test_singletons_are_distinct_falsy_and_round_trip_as_themselves(self):
        specials = [orvalis.Empty, orvalis.Null, orvalis.Nothing, orvalis.Missing]
        self.assertEqual([repr(s) for s in specials],
                         ["orvalis.Empty", "orvalis.Null", "orvalis.Nothing", "orvalis.Missing"])
        for special in specials:
            self.assertFalse(special)
            self.assertIs(self.echo.Echo(special), special)
            self.assertIs(copy.deepcopy(special), special)
            self.assertIs(pickle.loads(pickle.dumps(special)), special)
        self.assertIs(self.echo.Echo(None), orvalis.Empty)
        self.assertEqual(self.echo.Kinds(1, orvalis.Missing, "x"), "Long,Missing,String")
        self.assertEqual(self.echo.Kinds(), "Missing,Missing,Missing")

    def test_bool_int_float_and_str(self):
        self.assertIs(self.echo.Echo(False), False)
        for value, kind in ((2**31 - 1, "Long"), (-2**31, "Long"), (2**31, "Double"),
                            (1.5, "Double"), (True, "Boolean"), ("Operação\x00", "String")):
            self.assertEqual(self.kind(value), kind)
            self.assertEqual(self.echo.Echo(value), value)
        self.assertIs(type(self.echo.Echo(7)), int)
        self.assertIs(type(self.echo.Convert("12", "Integer")), int)
        with self.assertRaises(OverflowError):
            self.echo.Echo(2**60 + 1)

    def test_decimal_is_currency_exactly_rounded_half_to_even(self):
        for text in ("0.0001", "-922337203685477.5808", "922337203685477.5807", "1E+3"):
            result = self.echo.Echo(D(text))
            self.assertEqual(result, D(text))
            self.assertEqual(result.as_tuple().exponent, -4)
        for given, expected in (("0.00015", "0.0002"), ("0.00025", "0.0002"),
                                ("-0.00015", "-0.0002"), ("0.000250001", "0.0003"),
                                ("0.0000499999999999999999999", "0.0000"),
                                ("922337203685477.58074", "922337203685477.5807")):
            self.assertEqual(str(self.echo.Echo(D(given))), expected, given)
        for text in ("922337203685477.5808", "922337203685477.58075", "NaN", "-Infinity"):
            with self.assertRaises(orvalis.Error, msg=text) as caught:
                self.echo.Echo(D(text))
            self.assertEqual(caught.exception.number, 6)

    def test_datetime_and_date_are_dates(self):
        for when in (datetime.datetime(2004, 3, 12, 13, 45, 30),
                     datetime.datetime(1899, 12, 29, 6, 0, 0)):
            self.assertEqual(self.kind(when), "Date")
            self.assertEqual(self.echo.Echo(when), when)
        self.assertEqual(self.echo.Convert(datetime.datetime(1899, 12, 29, 6), "Double"), -1.25)
        result = self.echo.Echo(datetime.date(2020, 2, 29))
        self.assertIs(type(result), datetime.datetime)
        self.assertEqual(result, datetime.datetime(2020, 2, 29))
        when = datetime.datetime(2010, 1, 2, 3, 4, 5, 999999)
        self.assertEqual(self.echo.Echo(when), when.replace(microsecond=0))
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Echo(datetime.date(99, 1, 1))
        self.assertEqual(caught.exception.number, 5)

    def test_objects_round_trip_and_unsupported_types_raise_type_error(self):
        other = orvalis.CreateObject("Orvalis._Echo")
        self.assertEqual(self.echo.Echo(other), other)
        self.assertEqual(hash(self.echo.Echo(other)), hash(other))
        self.assertNotEqual(other, self.echo)
        for value in (b"bytes", [1], object(), 1j, datetime.time(1, 2), orvalis.Ref(orvalis.Ref(1))):
            with self.assertRaises(TypeError, msg=repr(value)):
                self.echo.Echo(value)

    def test_ref_receives_what_the_member_wrote_even_when_it_fails(self):
        n = 41
        self.echo.Bump(n)
        self.assertEqual(n, 41)
        box = orvalis.Ref(41)
        self.assertIs(self.echo.Bump(box), orvalis.Empty)
        self.assertEqual(box.value, 42)
        self.assertEqual(repr(box), "orvalis.Ref(42)")
        box = orvalis.Ref("not a number")
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Bump(box)
        self.assertEqual(caught.exception.number, 13)
        self.assertEqual(box.value, "not a number")


if __name__ == "__main__":
    support.main()
