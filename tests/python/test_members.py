"""Late-bound member access: attributes, calls, indexing, default member, listings and
letter case (through the test-only class Orvalis._Echo)."""

import unittest

import orvalis
import orvalis_test_support as support

ECHO_MEMBERS = ["Value", "Echo", "Kinds", "Bump", "Item", "Count", "Convert", "Raise", "Self",
                "Situação", "ReportFromThread"]


class MemberTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        cls.prog_id = orvalis._testing_echo()

    def setUp(self):
        self.echo = orvalis.CreateObject("ORVALIS._echo")

    def test_classes_and_members_are_listed_in_slot_order(self):
        self.assertEqual(orvalis.classes().count(self.prog_id), 1)
        self.assertEqual(orvalis.class_name(self.echo), "_Echo")
        members = orvalis.members(self.echo)
        self.assertEqual([m.name for m in members], ECHO_MEMBERS)
        self.assertEqual(repr(members[2]), "MemberInfo('Kinds', method, args 0..3)")
        self.assertEqual(repr(members[0]), "MemberInfo('Value', get|let, args 0..0)")
        self.assertEqual(dir(self.echo), sorted(ECHO_MEMBERS))

    def test_names_ignore_letter_case_accents_included(self):
        self.echo.VALUE = 5
        self.assertEqual(self.echo.vAlUe, 5)
        self.assertEqual(self.echo.ECHO("x"), "x")
        self.echo.SITUAÇÃO = "ativa"
        self.assertEqual(orvalis.invoke(self.echo, "SiTuAçÃo", kind="get"), "ativa")

    def test_property_with_arguments_is_called_or_indexed(self):
        self.assertIs(self.echo.Item("a"), orvalis.Null)
        self.echo.Item["a"] = 10
        self.assertEqual(self.echo.Item("a"), 10)
        self.assertEqual(self.echo.Item["a"], 10)
        orvalis.invoke(self.echo, "Item", "b", 20, kind="let")
        self.assertEqual(self.echo.Count, 2)

    def test_default_member_and_the_default_value_of_an_object(self):
        self.echo.Value = "default"
        self.assertEqual(self.echo(), "default")
        self.echo[()] = "again"
        self.assertEqual(self.echo.Value, "again")
        other = orvalis.CreateObject("Orvalis._Echo")
        other.Value = 99
        self.echo.Value = other
        self.assertEqual(self.echo.Value, 99)
        with self.assertRaises(TypeError):
            iter(self.echo)


if __name__ == "__main__":
    support.main()
