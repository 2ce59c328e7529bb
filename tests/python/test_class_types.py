"""Each component class has its own Python type, a subclass of orvalis.Object, whose
docstring lists the class's members in slot order."""

import unittest

import orvalis
import orvalis_test_support as support

HEADING = "Members, in slot order (names match ignoring letter case):"


def documented_members(cls):
    """The member names the docstring lists, in its order ("" for an unnamed default)."""
    lines = cls.__doc__.split(HEADING + "\n", 1)[1].splitlines()
    names = [line.split()[0].split("(")[0] for line in lines]
    return ["" if name == "obj" else name for name in names]


class ClassTypeTest(support.EchoTestCase):
    def assert_documents(self, obj, prog_id):
        cls = type(obj)
        self.assertTrue(issubclass(cls, orvalis.Object))
        self.assertEqual((cls.__name__, cls.__module__), (orvalis.class_name(obj), "orvalis"))
        self.assertEqual(documented_members(cls), [m.name for m in orvalis.members(obj)])
        creation = f'orvalis.CreateObject("{prog_id}") creates one.'
        self.assertEqual(creation in cls.__doc__, bool(prog_id))

    def test_every_registered_class_is_a_documented_type_of_the_module(self):
        for prog_id in orvalis.classes():
            with self.subTest(prog_id):
                obj = orvalis.CreateObject(prog_id)
                if prog_id != "Orvalis._Echo":  # registered after import
                    self.assertIs(type(obj), getattr(orvalis, orvalis.class_name(obj)))
                self.assert_documents(obj, prog_id)

    def test_the_docstring_shows_arguments_and_kinds(self):
        lines = [" ".join(line.split()) for line in type(self.echo).__doc__.splitlines()]
        for line in ("Value property; the default member", "Kinds([a1[, a2[, a3]]]) method",
                     "Item(a1) property", "Count read-only property",
                     "Convert(a1, a2) method", "Situação property"):
            self.assertIn(line, lines)

    def test_objects_that_members_return_have_their_class_type(self):
        self.assertIs(type(self.echo.Self), type(self.echo))
        path = support.open_new_declaration(self)
        rows = orvalis.CreateObject("Orvalis.MantemDB").scitDB(path).OpenRecordset("SELECT * FROM tblVersão")
        self.assert_documents(rows, "")
        self.assertEqual(documented_members(type(rows))[0], "")  # rows("Versão")
        self.assertEqual(repr(rows).split(" at ")[0], "<orvalis.Recordset object")

    def test_types_are_not_constructed_directly(self):
        for call in (orvalis.CFOP, lambda: orvalis.CFOP(1), lambda: orvalis.Object(token=2)):
            with self.assertRaisesRegex(TypeError, r"orvalis\.CreateObject\(name\)"):
                call()


if __name__ == "__main__":
    support.main()
