"""Late-bound member access: attributes, calls, indexing, default member, listings and
letter case (through the test-only class Orvalis._Echo)."""

import decimal
import unittest

import orvalis
import orvalis_test_support as support

ECHO_MEMBERS = ["Value", "Echo", "Kinds", "Bump", "Item", "Count", "Convert", "Raise", "Self",
                 "Situação"]


class MemberTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        cls.prog_id = orvalis._testing_echo()

    def setUp(self):
        self.echo = orvalis.CreateObject("Orvalis._Echo")

    def test_registration_lists_the_class(self):
        self.assertEqual(self.prog_id, "Orvalis._Echo")
        classes = orvalis.classes()
        self.assertIsInstance(classes, list)
        self.assertIn("Orvalis._Echo", classes)
        self.assertEqual(classes.count("Orvalis._Echo"), 1)
        self.assertEqual(orvalis._testing_echo(), "Orvalis._Echo")  # again: replaced
        self.assertEqual(orvalis.classes().count("Orvalis._Echo"), 1)

    def test_create_object_ignores_letter_case(self):
        obj = orvalis.CreateObject("ORVALIS._echo")
        self.assertEqual(orvalis.class_name(obj), "_Echo")
        self.assertNotEqual(obj, self.echo)  # a new object each time

    def test_members_in_slot_order(self):
        members = orvalis.members(self.echo)
        self.assertEqual([m.name for m in members], ECHO_MEMBERS)
        by_name = {m.name: m for m in members}
        value = by_name["Value"]
        self.assertTrue(value.is_get and value.is_let and not value.is_method)
        self.assertEqual(value.kinds, orvalis.PROPERTY_GET | orvalis.PROPERTY_LET)
        kinds = by_name["Kinds"]
        self.assertTrue(kinds.is_method)
        self.assertEqual((kinds.min_args, kinds.max_args), (0, 3))
        self.assertEqual(by_name["Count"].kinds, orvalis.PROPERTY_GET)
        self.assertEqual(by_name["Item"].min_args, 1)
        self.assertEqual(repr(kinds), "MemberInfo('Kinds', method, args 0..3)")
        self.assertEqual(repr(value), "MemberInfo('Value', get|let, args 0..0)")

    def test_dir_lists_the_members(self):
        self.assertEqual(self.echo.__dir__(), ECHO_MEMBERS)
        self.assertEqual(dir(self.echo), sorted(ECHO_MEMBERS))

    def test_property_get_and_let(self):
        self.assertIs(self.echo.Value, orvalis.Empty)
        self.echo.Value = "abc"
        self.assertEqual(self.echo.Value, "abc")
        self.echo.Value = decimal.Decimal("1.25")
        self.assertEqual(self.echo.Value, decimal.Decimal("1.25"))

    def test_letter_case_is_ignored(self):
        self.echo.VALUE = 5
        self.assertEqual(self.echo.value, 5)
        self.assertEqual(self.echo.vAlUe, 5)
        self.assertEqual(self.echo.ECHO("x"), "x")
        self.assertEqual(orvalis.invoke(self.echo, "echo", 3), 3)

    def test_letter_case_is_ignored_in_accented_names(self):
        self.echo.SITUAÇÃO = "ativa"
        self.assertEqual(self.echo.situação, "ativa")
        self.assertEqual(orvalis.invoke(self.echo, "SiTuAçÃo", kind="get"), "ativa")

    def test_methods_are_callable_attributes(self):
        method = self.echo.Echo
        self.assertTrue(callable(method))
        self.assertEqual(repr(method), "<orvalis member _Echo.Echo>")
        self.assertEqual(method(7), 7)
        # A method with no required argument still needs the call.
        self.assertEqual(self.echo.Kinds(), "Missing,Missing,Missing")
        with self.assertRaises(TypeError):
            bool(self.echo.Kinds)

    def test_property_with_arguments_is_called_or_indexed(self):
        self.assertIs(self.echo.Item("a"), orvalis.Null)
        self.echo.Item["a"] = 10
        self.assertEqual(self.echo.Item("a"), 10)
        self.assertEqual(self.echo.Item["a"], 10)
        self.assertEqual(self.echo.item("A"), orvalis.Null)  # keys are texts, as given
        self.assertEqual(self.echo.Count, 1)
        orvalis.invoke(self.echo, "Item", "b", 20, kind="let")
        self.assertEqual(orvalis.invoke(self.echo, "Item", "b", kind="get"), 20)
        self.assertEqual(self.echo.Count, 2)

    def test_default_member(self):
        self.echo.Value = "default"
        self.assertEqual(self.echo(), "default")
        self.echo[()] = "again"
        self.assertEqual(self.echo.Value, "again")
        with self.assertRaises(orvalis.Error) as caught:
            self.echo["key"]  # Value takes no argument
        self.assertEqual(caught.exception.number, 450)

    def test_let_stores_the_default_value_of_an_object(self):
        other = orvalis.CreateObject("Orvalis._Echo")
        other.Value = 99
        self.echo.Value = other
        self.assertEqual(self.echo.Value, 99)
        self.assertEqual(self.echo.Echo(other), other)

    def test_objects_are_not_iterable(self):
        with self.assertRaises(TypeError):
            iter(self.echo)
        with self.assertRaises(TypeError):
            iter(self.echo.Item)

    def test_repr_names_the_class(self):
        self.assertRegex(repr(self.echo), r"^<orvalis.Object '_Echo' at 0x[0-9a-f]+>$")

    def test_objects_cannot_be_made_directly(self):
        with self.assertRaises(TypeError):
            orvalis.Object()
        with self.assertRaises(TypeError):
            orvalis.Special()


if __name__ == "__main__":
    support.main()
