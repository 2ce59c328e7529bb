"""Component errors raise orvalis.Error with the component's number and description."""

import pickle
import unittest

import orvalis
import orvalis_test_support as support


class ErrorTest(support.EchoTestCase):
    def number_of(self, call):
        with self.assertRaises(orvalis.Error) as caught:
            call()
        return caught.exception.number

    def test_unknown_class_raises_429_and_member_errors_pass_through(self):
        with self.assertRaises(orvalis.Error) as caught:
            orvalis.CreateObject("Orvalis.NoSuchClass")
        self.assertEqual(str(caught.exception), "429: Cannot create object: 'Orvalis.NoSuchClass'")
        # Pickled (as multiprocessing passes it), it keeps its type, number and text.
        copy = pickle.loads(pickle.dumps(caught.exception))
        self.assertEqual((type(copy), copy.number, copy.description),
                         (orvalis.Error, 429, "Cannot create object: 'Orvalis.NoSuchClass'"))
        with self.assertRaises(orvalis.Error) as caught:
            self.echo.Raise(3022, "Chave duplicada: ção")
        self.assertEqual((caught.exception.number, caught.exception.description),
                         (3022, "Chave duplicada: ção"))
        self.assertNotIsInstance(caught.exception, AttributeError)
        self.assertEqual(self.number_of(lambda: self.echo.Convert(70000, "Integer")), 6)

    def test_unknown_member_is_438_and_an_attribute_error(self):
        with self.assertRaises(orvalis.MemberError) as caught:
            self.echo.NoSuchMember
        self.assertEqual(caught.exception.number, 438)
        self.assertIsInstance(caught.exception, orvalis.Error)
        self.assertIsInstance(caught.exception, AttributeError)
        self.assertFalse(hasattr(self.echo, "NoSuchMember"))
        self.assertTrue(hasattr(self.echo, "value"))
        with self.assertRaises(AttributeError):
            self.echo.__length_hint__

    def test_wrong_argument_count_or_read_only_assignment_is_450(self):
        self.assertEqual(self.number_of(lambda: self.echo.Echo()), 450)
        self.assertEqual(self.number_of(lambda: self.echo.Kinds(1, 2, 3, 4)), 450)
        self.assertEqual(self.number_of(lambda: setattr(self.echo, "Count", 3)), 450)
        with self.assertRaises(TypeError):
            self.echo.Echo(x=1)


if __name__ == "__main__":
    support.main()
