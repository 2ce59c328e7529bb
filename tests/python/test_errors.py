"""Component errors raise orvalis.Error with the component's number and description."""

import unittest

import orvalis
import orvalis_test_support as support


class ErrorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        orvalis._testing_echo()

    def setUp(self):
        self.echo = orvalis.CreateObject("Orvalis._Echo")

    def test_error_class(self):
        self.assertTrue(issubclass(orvalis.Error, Exception))
        self.assertEqual(orvalis.Error.__module__, "orvalis")
        error = orvalis.Error(3021, "No current record.")
        self.assertEqual((error.number, error.description), (3021, "No current record."))
        self.assertEqual(str(error), "3021: No current record.")

    def test_unknown_class_raises_429(self):
        with self.assertRaises(orvalis.Error) as caught:
            orvalis.CreateObject("Orvalis.NoSuchClass")
        self.assertEqual(caught.exception.number, 429)
        self.assertEqual(caught.exception.description,
                         "Cannot create object: 'Orvalis.NoSuchClass'")
        self.assertEqual(str(caught.exception),
                         "429: Cannot create object: 'Orvalis.NoSuchClass'")

    def test_errors_raised_by_a_member_pass_through(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Raise(3022, "Chave duplicada: ção")
        self.assertEqual(caught.exception.number, 3022)
        self.assertEqual(caught.exception.description, "Chave duplicada: ção")
        self.assertNotIsInstance(caught.exception, AttributeError)

    def test_unknown_member_is_438_and_an_attribute_error(self):
        with self.assertRaises(orvalis.MemberError) as caught:
            self.echo.NoSuchMember
        self.assertEqual(caught.exception.number, 438)
        self.assertIn("NoSuchMember", caught.exception.description)
        self.assertIsInstance(caught.exception, orvalis.Error)
        self.assertIsInstance(caught.exception, AttributeError)
        self.assertFalse(hasattr(self.echo, "NoSuchMember"))
        self.assertTrue(hasattr(self.echo, "value"))
        with self.assertRaises(orvalis.MemberError):
            self.echo.NoSuchMember = 1
        with self.assertRaises(orvalis.MemberError):
            orvalis.invoke(self.echo, "NoSuchMember")

    def test_python_special_names_are_not_members(self):
        with self.assertRaises(AttributeError):
            self.echo.__length_hint__

    def test_wrong_argument_count_is_450(self):
        for call in (lambda: self.echo.Echo(), lambda: self.echo.Echo(1, 2),
                     lambda: self.echo.Kinds(1, 2, 3, 4)):
            with self.assertRaises(orvalis.Error) as caught:
                call()
            self.assertEqual(caught.exception.number, 450)

    def test_assigning_a_read_only_property_is_450(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Count = 3
        self.assertEqual(caught.exception.number, 450)

    def test_keyword_arguments_are_refused(self):
        with self.assertRaises(TypeError):
            self.echo.Echo(x=1)

    def test_invoke_kind_is_checked(self):
        with self.assertRaises(ValueError):
            orvalis.invoke(self.echo, "Echo", 1, kind="set")

    def test_conversion_errors_keep_their_numbers(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Convert("abc", "Long")
        self.assertEqual(caught.exception.number, 13)
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Convert(orvalis.Null, "Long")
        self.assertEqual(caught.exception.number, 94)
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Convert(70000, "Integer")
        self.assertEqual(caught.exception.number, 6)


if __name__ == "__main__":
    support.main()
