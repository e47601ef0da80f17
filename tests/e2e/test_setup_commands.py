"""Setup.exe in an empty kit folder: no driver rows apply, so it prints nothing of its own
and only hands its four closing commands, exactly and in order, to the command interpreter."""

import unittest

import winekit

CLOSING_COMMANDS = [
    "copy *.dll  %windir%\\system32",
    "copy *.ocx  %windir%\\system32",
    "%windir%\\system32\\regsvr32    tarvel.ocx",
    "%windir%\\system32\\regsvr32    Quenbox.ocx",
]


class ClosingCommands(unittest.TestCase):
    def test_empty_kit_folder(self):
        with winekit.kit_folder() as kit:
            completed, commands = winekit.run_recording_commands(
                winekit.setting("KIT_E2E_SETUP"), cwd=kit
            )
        self.assertEqual(completed.stdout, b"")
        self.assertEqual(commands, CLOSING_COMMANDS)
        self.assertEqual(completed.exit_code, 0, completed.stderr)


if __name__ == "__main__":
    unittest.main()
