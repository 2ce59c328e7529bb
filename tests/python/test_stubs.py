"""The type stubs built with the module (orvalis/__init__.pyi and the marker py.typed)
declare every name of the module and every registered class with its members in slot
order, and a type checker reads them."""

import ast
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

import orvalis
import orvalis_test_support as support

PACKAGE = os.path.dirname(orvalis.__file__)
STUBS = os.path.join(PACKAGE, "__init__.pyi")

# Checked with mypy --strict: what each line reveals, or the error it must report.
SAMPLE = '''\
import decimal
import orvalis
cfop = orvalis.CreateObject("Orvalis.CFOP")
reveal_type(cfop)
reveal_type(orvalis.CreateObject("Orvalis.Unknown"))
cfop.Imposto = decimal.Decimal("1.5")
cfop.Fetch(1, "5102")
cfop.Fetch()
try:
    cfop.Create()
except orvalis.Error as error:
    reveal_type(error.number)
'''
EXPECTED = ['4: note: Revealed type is "orvalis.CFOP"',
            '5: note: Revealed type is "orvalis.Object"',
            '8: error: Too few arguments for "Fetch" of "CFOP"',
            '12: note: Revealed type is "builtins.int"']


class StubTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        with open(STUBS, encoding="utf-8") as f:
            cls.tree = ast.parse(f.read())
        cls.classes = {n.name: n for n in cls.tree.body if isinstance(n, ast.ClassDef)}

    def test_every_name_of_the_module_is_declared(self):
        declared = set(self.classes)
        for node in self.tree.body:
            if isinstance(node, ast.FunctionDef):
                declared.add(node.name)
            elif isinstance(node, ast.AnnAssign):
                declared.add(node.target.id)
        public = {name for name in dir(orvalis) if not name.startswith("__")}
        self.assertEqual(public - declared, set())
        self.assertEqual(declared - public, set())
        self.assertTrue(os.path.isfile(os.path.join(PACKAGE, "py.typed")))

    def test_every_registered_class_has_its_members_in_slot_order(self):
        for prog_id in orvalis.classes():
            with self.subTest(prog_id):
                obj = orvalis.CreateObject(prog_id)
                stub = self.classes[orvalis.class_name(obj)]
                self.assertEqual(ast.get_docstring(stub, clean=False), type(obj).__doc__)
                names = [n.name if isinstance(n, ast.FunctionDef) else n.target.id
                         for n in stub.body if isinstance(n, (ast.FunctionDef, ast.AnnAssign))]
                self.assertEqual(names, [m.name for m in orvalis.members(obj) if m.name])

    @unittest.skipUnless(importlib.util.find_spec("mypy"), "mypy is not installed")
    def test_a_type_checker_reads_them(self):
        with tempfile.TemporaryDirectory() as folder:
            sample = os.path.join(folder, "sample.py")
            with open(sample, "w", encoding="utf-8") as f:
                f.write(SAMPLE)
            env = dict(os.environ, MYPYPATH=os.path.dirname(PACKAGE))
            result = subprocess.run(
                [sys.executable, "-m", "mypy", "--strict", "--no-incremental",
                 "--cache-dir", os.path.join(folder, "cache"), "--no-error-summary",
                 "--hide-error-codes", sample],
                capture_output=True, text=True, env=env, cwd=folder)
        lines = [line.split("sample.py:", 1)[1] for line in result.stdout.splitlines()]
        self.assertEqual(lines, EXPECTED, result.stdout + result.stderr)


if __name__ == "__main__":
    support.main()
