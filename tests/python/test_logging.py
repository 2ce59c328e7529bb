"""Errors the component swallows and the messages it shows reach Python's logging (logger
"orvalis"), each record carrying its fields as attributes, from whatever thread reported
it, and nothing raised while logging reaches the component."""

import logging
import os
import sys
import threading
import unittest

import orvalis
import orvalis_test_support as support


class LoggingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        support.home_folder()
        orvalis._testing_echo()

    def setUp(self):
        self.m = orvalis.CreateObject("Orvalis.MantemDB")

    def only_record(self, logs, **fields):
        found = [r for r in logs.records
                 if all(getattr(r, k, None) == v for k, v in fields.items())]
        self.assertEqual(len(found), 1, [r.getMessage() for r in logs.records])
        return found[0]

    def test_the_swallowed_error_of_a_refused_create(self):
        path = support.open_new_declaration(self)
        cfop = orvalis.CreateObject("Orvalis.CFOP")
        cfop.DBIndex(path)
        cfop.NroVEK = 999  # no such declaration
        cfop.CFOP = "5102"
        with self.assertLogs("orvalis", logging.DEBUG) as logs:
            self.assertIs(cfop.Create(), orvalis.Empty)
        record = self.only_record(logs, class_name="CFOP", member="Create")
        self.assertEqual((record.levelno, record.number), (logging.DEBUG, 3201))
        self.assertTrue(record.description)
        self.assertEqual(record.getMessage(), f"CFOP.Create: error 3201: {record.description}")
        # The record points at the Python line that made the call.
        self.assertEqual(os.path.basename(record.pathname), "test_logging.py")

    def test_a_message_shown_to_the_user(self):
        path = support.open_new_declaration(self, "nova.mdb")
        self.m.scitDB(path).Execute("UPDATE tblVersão SET Versão = '0801'")
        self.m.Db_close(path)
        with self.assertLogs("orvalis", logging.INFO) as logs:
            self.assertEqual(self.m.Db_Open(path), -1)
        record = self.only_record(logs, icon="critical")
        self.assertEqual((record.levelno, record.title), (logging.ERROR, "Atenção!"))
        self.assertIn("0801", record.text)
        self.assertEqual(record.getMessage(), f"Atenção!: {record.text}")

    def test_a_report_from_a_thread_of_the_component(self):
        echo = orvalis.CreateObject("Orvalis._Echo")
        with self.assertLogs("orvalis", logging.DEBUG) as logs:
            echo.ReportFromThread(3022, "Chave duplicada: ção")
        record = self.only_record(logs, member="ReportFromThread")
        self.assertEqual((record.class_name, record.number, record.description),
                         ("_Echo", 3022, "Chave duplicada: ção"))
        self.assertNotEqual(record.thread, threading.get_ident())

    def test_an_error_raised_while_logging_stays_in_python(self):
        def refuse(record):
            raise RuntimeError("filter failed")

        unraisable = []
        logger = logging.getLogger("orvalis")
        logger.setLevel(logging.DEBUG)
        logger.addFilter(refuse)
        previous_hook, sys.unraisablehook = sys.unraisablehook, unraisable.append
        try:
            echo = orvalis.CreateObject("Orvalis._Echo")
            self.assertIs(echo.ReportFromThread(5, "x"), orvalis.Empty)
        finally:
            sys.unraisablehook = previous_hook
            logger.removeFilter(refuse)
            logger.setLevel(logging.NOTSET)
        self.assertEqual([str(u.exc_value) for u in unraisable], ["filter failed"])


if __name__ == "__main__":
    support.main()
