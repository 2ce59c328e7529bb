"""A declaration file driven the way the front-end drives it: a new file from MantemDB,
opened, bound to a record class, closed. Skips itself until the classes exist."""

import os
import shutil
import tempfile
import unittest

import orvalis
import orvalis_test_support as support

HOME = support.home_folder()
CLASSES = orvalis.classes()


@unittest.skipUnless("Orvalis.MantemDB" in CLASSES, "Orvalis.MantemDB is not registered yet")
class DeclarationScenarioTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orvalis-scenario-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.m = orvalis.CreateObject("Orvalis.MantemDB")

    def new_declaration(self, name):
        """A fresh declaration file: NovoArquivo's BDTemp.mdb copied to `name`."""
        self.m.NovoArquivo()
        template = os.path.join(HOME, "BDTemp.mdb")
        self.assertTrue(os.path.isfile(template), template)
        path = os.path.join(self.folder, name)
        shutil.copyfile(template, path)
        return path

    def test_new_file_opened_bound_and_closed(self):
        path = self.new_declaration("declaracao.mdb")
        self.assertEqual(self.m.Db_Open(path), 1)
        try:
            db = self.m.scitDB(path)
            self.assertIsInstance(db, orvalis.Object)
            if "Orvalis.CFOP" in CLASSES:
                cfop = orvalis.CreateObject("Orvalis.CFOP")
                cfop.DBIndex(path)
        finally:
            self.m.Db_close(path)
        self.assertIs(self.m.scitDB(path), orvalis.Nothing)

    def test_a_missing_file_fails_with_the_engine_error(self):
        with self.assertRaises(orvalis.Error) as caught:
            self.m.Db_Open(os.path.join(self.folder, "nao_existe.mdb"))
        self.assertNotEqual(caught.exception.number, 0)


if __name__ == "__main__":
    support.main()
