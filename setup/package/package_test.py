#!/usr/bin/env python3
"""Tests of the installation package as built: the wizard's tables are read back
from Parallaxia.msi with msiinfo and checked for what makes the wizard work
(every dialog, control and event that one names exists; the pages lead from
Welcome to the finish and back), and make-package.py is run on broken tables,
which must stop it.

    package_test.py PACKAGE.msi PLAYER.exe
"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
make_package = __import__("make-package")

PACKAGE = None
PLAYER = None
MSIINFO = "msiinfo"
MSIBUILD = "msibuild"


def table(name):
    return make_package.export_table(MSIINFO, PACKAGE, name)


def rows(name):
    t = table(name)
    if t is None:
        return []
    return [dict(zip(t.columns, row)) for row in t.rows]


class WizardTables(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dialogs = {r["Dialog"]: r for r in rows("Dialog")}
        cls.controls = {(r["Dialog_"], r["Control"]): r for r in rows("Control")}
        cls.events = rows("ControlEvent")
        cls.properties = {r["Property"]: r["Value"] for r in rows("Property")}

    def test_every_table_of_the_source_is_in_the_package_as_written(self):
        for name in sorted(os.listdir(make_package.UI_TABLES)):
            with self.subTest(table=name):
                with open(os.path.join(make_package.UI_TABLES, name), encoding="utf-8") as f:
                    wanted = make_package.Table(f.read(), name)
                back = table(wanted.name)
                self.assertIsNotNone(back, "%s is not in the package" % wanted.name)
                self.assertEqual(back.columns, wanted.columns)
                for row in wanted.rows:
                    if make_package.LICENCE_MARK in "".join(row):
                        continue
                    self.assertIn(row, back.rows)

    def test_wixl_rows_stay_beside_the_added_ones(self):
        ui = {r["Action"]: r for r in rows("InstallUISequence")}
        for action in ("CostInitialize", "FileCost", "CostFinalize", "ExecuteAction", "WelcomeDlg", "ExitDialog"):
            self.assertIn(action, ui)
        execute = {r["Action"]: int(r["Sequence"]) for r in rows("InstallExecuteSequence")}
        self.assertTrue({"InstallFiles", "RegisterProduct", "SetARPINSTALLLOCATION"} <= set(execute))
        # Moved before WriteRegistryValues, so the icon and size the package
        # writes into the entry are not overwritten by Wine's own (a size of 0).
        self.assertLess(execute["InstallFiles"], execute["RegisterProduct"])
        self.assertLess(execute["RegisterProduct"], execute["WriteRegistryValues"])
        self.assertEqual(list(execute).count("RegisterProduct"), 1)
        for name in ("ProductCode", "ProductName", "ALLUSERS", "ErrorDialog", "DefaultUIFont"):
            self.assertIn(name, self.properties)

    def test_every_dialog_is_titled_parallaxia_setup(self):
        self.assertEqual(self.properties["ProductName"], "Parallaxia")
        for name, dialog in self.dialogs.items():
            self.assertEqual(dialog["Title"], "[ProductName] Setup", name)

    def test_names_between_the_tables_resolve(self):
        for name, dialog in self.dialogs.items():
            for column in ("Control_First", "Control_Default", "Control_Cancel"):
                if dialog[column]:
                    self.assertIn((name, dialog[column]), self.controls, "%s.%s" % (name, column))
        for (name, control), row in self.controls.items():
            self.assertIn(name, self.dialogs)
            if row["Control_Next"]:
                self.assertIn((name, row["Control_Next"]), self.controls, "%s.%s next" % (name, control))
        for source in ("ControlEvent", "ControlCondition", "EventMapping"):
            for row in rows(source):
                self.assertIn((row["Dialog_"], row["Control_"]), self.controls, source)
        for event in self.events:
            if event["Event"] in ("NewDialog", "SpawnDialog"):
                self.assertIn(event["Argument"], self.dialogs, "%s.%s" % (event["Dialog_"], event["Control_"]))
        actions = {r["Action"] for r in rows("CustomAction")}
        for event in self.events:
            if event["Event"] == "DoAction":
                self.assertIn(event["Argument"], actions)
        styles = {r["TextStyle"] for r in rows("TextStyle")}
        self.assertIn(self.properties["DefaultUIFont"], styles)
        for row in self.controls.values():
            m = re.match(r"\{\\(\w+)\}", row["Text"])
            if m:
                self.assertIn(m.group(1), styles)
        self.assertIn(self.properties["ErrorDialog"], self.dialogs)

    def test_the_dialogs_the_installer_looks_for_by_name_exist(self):
        sequence = {r["Action"]: r for r in rows("InstallUISequence")}
        self.assertEqual(sequence["ExitDialog"]["Sequence"], "-1")
        self.assertEqual(sequence["UserExit"]["Sequence"], "-2")
        self.assertEqual(sequence["FatalError"]["Sequence"], "-3")
        for name in ("FilesInUse", "CancelDlg", "ErrorDlg"):
            self.assertIn(name, self.dialogs)
        for button in "ACINORY":
            self.assertIn(("ErrorDlg", button), self.controls)
        self.assertIn(("ErrorDlg", "ErrorText"), self.controls)
        self.assertIn(("FilesInUse", "List"), self.controls)
        self.assertEqual(self.controls[("FilesInUse", "List")]["Property"], "FileInUseProcess")
        # The wizard shows before ExecuteAction, the progress page last of them.
        # Repair or remove is chosen before costing, which turns REINSTALL and
        # REMOVE into what each component does (Wine's installer does that in
        # the first costing only).
        execute = int(sequence["ExecuteAction"]["Sequence"])
        cost = int(sequence["CostFinalize"]["Sequence"])
        for page in ("WelcomeDlg", "ProgressDlg"):
            self.assertTrue(cost < int(sequence[page]["Sequence"]) < execute, page)
        self.assertLess(int(sequence["MaintenanceWelcomeDlg"]["Sequence"]),
                        int(sequence["CostInitialize"]["Sequence"]))
        self.assertLess(int(sequence["AppSearch"]["Sequence"]), int(sequence["MaintenanceWelcomeDlg"]["Sequence"]))
        remove = [(e["Event"], e["Argument"]) for e in self.events
                  if e["Dialog_"] == "VerifyRemoveDlg" and e["Control_"] == "Remove"]
        self.assertIn(("[REMOVE]", "ALL"), remove)
        self.assertEqual(self.dialogs["ProgressDlg"]["Attributes"], "1", "the progress page is modeless")

    def follow(self, start, buttons):
        """The dialog that pressing buttons in turn leads to from start."""
        here = start
        for button in buttons:
            moves = [e for e in self.events if e["Dialog_"] == here and e["Control_"] == button and
                     e["Event"] in ("NewDialog", "EndDialog")]
            self.assertEqual(len(moves), 1, "%s.%s" % (here, button))
            if moves[0]["Event"] == "EndDialog":
                return moves[0]["Argument"]
            here = moves[0]["Argument"]
        return here

    def test_pages_lead_through_the_wizard(self):
        cases = [
            ("WelcomeDlg", ["Next"], "LicenseDlg"),
            ("WelcomeDlg", ["Next", "Next", "Next"], "VerifyReadyDlg"),
            ("WelcomeDlg", ["Next", "Next", "Next", "Install"], "Return"),
            ("VerifyReadyDlg", ["Back", "Back", "Back"], "WelcomeDlg"),
            ("MaintenanceWelcomeDlg", ["Next", "RepairButton", "Repair"], "Return"),
            ("MaintenanceWelcomeDlg", ["Next", "RemoveButton", "Remove"], "Return"),
            ("VerifyRemoveDlg", ["Back", "Back"], "MaintenanceWelcomeDlg"),
            ("ExitDialog", ["Finish"], "Return"),
            ("UserExit", ["Finish"], "Exit"),
            ("FatalError", ["Finish"], "Exit"),
            ("CancelDlg", ["Yes"], "Exit"),
            ("CancelDlg", ["No"], "Return"),
        ]
        for start, buttons, end in cases:
            with self.subTest(start=start, buttons=buttons):
                self.assertEqual(self.follow(start, buttons), end)

    def test_cancel_asks_first_on_every_page(self):
        for page in ("WelcomeDlg", "LicenseDlg", "InstallDirDlg", "VerifyReadyDlg", "ProgressDlg",
                     "MaintenanceWelcomeDlg", "MaintenanceTypeDlg", "VerifyRepairDlg", "VerifyRemoveDlg"):
            with self.subTest(page=page):
                self.assertEqual(self.dialogs[page]["Control_Cancel"], "Cancel")
                events = [(e["Event"], e["Argument"]) for e in self.events
                          if e["Dialog_"] == page and e["Control_"] == "Cancel"]
                self.assertEqual(events, [("SpawnDialog", "CancelDlg")])

    def test_next_waits_for_the_licence(self):
        conditions = {(r["Action"], r["Condition"]) for r in rows("ControlCondition")
                      if r["Dialog_"] == "LicenseDlg" and r["Control_"] == "Next"}
        self.assertEqual(conditions, {("Disable", 'LicenseAccepted <> "1"'), ("Enable", 'LicenseAccepted = "1"')})
        moves = [e for e in self.events if e["Dialog_"] == "LicenseDlg" and e["Control_"] == "Next"]
        self.assertEqual(moves[0]["Condition"], 'LicenseAccepted = "1"')
        box = self.controls[("LicenseDlg", "LicenseAcceptedCheckBox")]
        self.assertEqual((box["Type"], box["Property"]), ("CheckBox", "LicenseAccepted"))
        self.assertNotIn("LicenseAccepted", self.properties, "the licence starts out not accepted")

    def test_licence_is_the_licence_file_as_rich_text(self):
        text = self.controls[("LicenseDlg", "LicenseText")]["Text"]
        self.assertTrue(text.startswith("{\\rtf1") and text.endswith("}"))
        with open(make_package.LICENCE, encoding="utf-8") as f:
            first = f.read().strip().splitlines()[0]
        self.assertIn(first, text)
        self.assertEqual(text.count("{"), text.count("}"))

    def test_finish_starts_the_installed_player_when_ticked(self):
        box = self.controls[("ExitDialog", "LaunchCheckBox")]
        self.assertEqual((box["Type"], box["Property"], box["Text"]), ("CheckBox", "LAUNCHPLAYER", "Start [ProductName]"))
        start = [e for e in self.events if e["Dialog_"] == "ExitDialog" and e["Event"] == "DoAction"]
        self.assertEqual(len(start), 1)
        self.assertIn('LAUNCHPLAYER = "1"', start[0]["Condition"])
        action = {r["Action"]: r for r in rows("CustomAction")}[start[0]["Argument"]]
        # An executable run by its command line (34), not waited for (64 | 128).
        self.assertEqual(int(action["Type"]) & 63, 34)
        self.assertEqual(int(action["Type"]) & 192, 192)
        files = {r["File"]: r for r in rows("File")}
        self.assertIn("Vizor_Movie.exe", [r["FileName"].split("|")[-1] for r in files.values()])
        self.assertEqual(action["Target"], '"[INSTALLDIR]Vizor_Movie.exe"')

    def test_installed_programs_entry(self):
        self.assertEqual(self.properties["ARPPRODUCTICON"], "Parallaxia.exe")
        self.assertIn("Parallaxia.exe", [r["Name"] for r in rows("Icon")])
        self.assertTrue(self.properties["ARPHELPLINK"].startswith("http"))
        location = {r["Action"]: r for r in rows("CustomAction")}["SetARPINSTALLLOCATION"]
        self.assertEqual((location["Type"], location["Source"], location["Target"]),
                         ("51", "ARPINSTALLLOCATION", "[INSTALLDIR]"))
        registry = {r["Name"]: r for r in rows("Registry")
                    if r["Key"] == "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\[ProductCode]"}
        self.assertEqual(registry["DisplayIcon"]["Value"], "[INSTALLDIR]Vizor_Movie.exe,0")
        size = int(registry["EstimatedSize"]["Value"].lstrip("#"))
        self.assertGreaterEqual(size * 1024, os.path.getsize(PLAYER))

    def test_the_chosen_folder_is_remembered_for_repair_and_remove(self):
        search = {r["Property"]: r["Signature_"] for r in rows("AppSearch")}
        locator = {r["Signature_"]: r for r in rows("RegLocator")}[search["INSTALLDIR"]]
        written = [r for r in rows("Registry") if r["Name"] == "InstallDir"]
        self.assertEqual(len(written), 1)
        self.assertEqual((locator["Key"], written[0]["Key"]), (written[0]["Key"], "Software\\Brontide\\Parallaxia"))
        self.assertEqual(written[0]["Value"], "[INSTALLDIR]")


class BrokenTables(unittest.TestCase):
    """make-package.py stops on tables that do not import as written."""

    def run_package(self, tables):
        with tempfile.TemporaryDirectory() as folder:
            ui = os.path.join(folder, "ui")
            os.mkdir(ui)
            for name, text in tables.items():
                with open(os.path.join(ui, name), "w", encoding="utf-8") as f:
                    f.write(text)
            output = os.path.join(folder, "out", "P.msi")
            result = subprocess.run([sys.executable, os.path.join(HERE, "make-package.py"), "--ui", ui,
                                     "--msibuild", MSIBUILD, "--msiinfo", MSIINFO, "--player", PLAYER, output],
                                    capture_output=True, text=True)
            return result.returncode, result.stderr, os.path.exists(output)

    def test_each_fault_stops_the_build(self):
        header = "Dialog_\tControl\tText\ns72\ts50\tL0\nNote\tDialog_\tControl\n"
        cases = [
            ("unknown column type", {"Note.idt": "A\tB\ns72\tq9\nNote\tA\nx\ty\n"}, "did not import"),
            ("row with a field too few", {"Note.idt": header + "d\tc\n"}, "2 fields"),
            ("file named for another table", {"Other.idt": header + "d\tc\tt\n"}, "holds the table"),
            ("columns of a table wixl made", {"Property.idt": "Property\ns72\nProperty\tProperty\nX\n"},
             "columns differ"),
            ("two rows with one key", {"Note.idt": header + "d\tc\tone\nd\tc\ttwo\n"}, "same key"),
            ("no tables at all", {}, "no tables"),
        ]
        for name, tables, message in cases:
            with self.subTest(name):
                code, err, made = self.run_package(tables)
                self.assertNotEqual(code, 0)
                self.assertIn(message, err)
                self.assertFalse(made, "a package was left behind")

    def test_sound_extra_table_imports(self):
        code, err, made = self.run_package(
            {"Note.idt": "Dialog_\tControl\tText\ns72\ts50\tL0\nNote\tDialog_\tControl\nd\tc\tsome text\n"})
        self.assertEqual((code, err), (0, ""))
        self.assertTrue(made)


if __name__ == "__main__":
    PACKAGE, PLAYER = sys.argv[1], sys.argv[2]
    MSIINFO = os.environ.get("MSIINFO", MSIINFO)
    MSIBUILD = os.environ.get("MSIBUILD", MSIBUILD)
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
