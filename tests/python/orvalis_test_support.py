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


def open_new_declaration(test, name="declaracao.mdb"):
    """A new declaration file in a new folder (test.folder), opened by MantemDB.Db_Open;
    closed and removed after `test`. Its path."""
    import orvalis
    test.folder = tempfile.mkdtemp(prefix="orvalis-test-")
    test.addCleanup(shutil.rmtree, test.folder, True)
    path = new_declaration_file(test.folder, name)
    m = orvalis.CreateObject("Orvalis.MantemDB")
    test.assertEqual(m.Db_Open(path), 1)
    test.addCleanup(m.Db_close, path)
    return path


def write_settings(folder, path, month):
    """The front-end's settings in folder/config, made XDG_CONFIG_HOME: the current file
    `path`, and `month` as both the reference period and the cut-over."""
    os.environ["XDG_CONFIG_HOME"] = os.path.join(folder, "config")
    os.makedirs(os.path.join(folder, "config", "Brisquel"), exist_ok=True)
    with open(os.path.join(folder, "config", "Brisquel", "settings.ini"), "w",
              encoding="utf-8") as ini:
        ini.write(f"[DB]\nDbAtual={path}\n[pRef]\nRefAtual={month}\n"
                  f"[Data]\nDataLimite={month}\n")


def bound(class_name, path):
    """A new object of class Orvalis.<class_name>, bound to the open file `path`."""
    import orvalis
    obj = orvalis.CreateObject("Orvalis." + class_name)
    obj.DBIndex(path)
    return obj


def enter(path, class_name, **values):
    """A record of Orvalis.<class_name> bound to `path`, created with these property values."""
    record = bound(class_name, path)
    for name, value in values.items():
        setattr(record, name, value)
    record.Create()
    return record


def walk(collection, *properties):
    """The listed properties of each item of a walk: MoveFirst, MoveNext until Last."""
    rows = []
    item = collection.MoveFirst()
    while not collection.Last():
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
