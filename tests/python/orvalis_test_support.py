"""Shared helpers of the Python test scripts (not a test script itself)."""

import os
import shutil
import sys
import tempfile
import unittest

# CTest reports a script as skipped when it exits with this code.
SKIP_EXIT_CODE = 77


def home_folder():
    """ORVALIS_HOME as CTest sets it; a new temporary folder when run by hand."""
    home = os.environ.get("ORVALIS_HOME")
    if not home:
        home = tempfile.mkdtemp(prefix="orvalis-home-")
        os.environ["ORVALIS_HOME"] = home
    os.makedirs(home, exist_ok=True)
    return home


def new_declaration_file(folder, name):
    """A fresh declaration file folder/name: MantemDB.NovoArquivo's BDTemp.mdb, copied."""
    import orvalis
    orvalis.CreateObject("Orvalis.MantemDB").NovoArquivo()
    path = os.path.join(folder, name)
    shutil.copyfile(os.path.join(home_folder(), "BDTemp.mdb"), path)
    return path


def bound(class_name, path):
    """A new object of class Orvalis.<class_name>, bound to the open file `path`."""
    import orvalis
    obj = orvalis.CreateObject("Orvalis." + class_name)
    obj.DBIndex(path)
    return obj


def walk(collection, *properties, last="Last"):
    """The listed properties of each item of a walk: MoveFirst, MoveNext until Last (or the
    member named `last`)."""
    rows = []
    item = collection.MoveFirst()
    while not getattr(collection, last)():
        rows.append(tuple(getattr(item, name) for name in properties))
        item = collection.MoveNext()
    return rows


class EchoTestCase(unittest.TestCase):
    """Tests driving the test-only class Orvalis._Echo, a fresh object per test."""

    @classmethod
    def setUpClass(cls):
        home_folder()
        import orvalis
        orvalis._testing_echo()

    def setUp(self):
        import orvalis
        self.echo = orvalis.CreateObject("Orvalis._Echo")


def main():
    """Runs the calling script's tests; exits 1 on failure, 77 when every test skipped."""
    program = unittest.main(module="__main__", exit=False, verbosity=2)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun > 0 and len(result.skipped) == result.testsRun:
        sys.exit(SKIP_EXIT_CODE)
    sys.exit(0)
