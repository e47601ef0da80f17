"""Setup.exe's closing commands for real, through Wine's own cmd.exe: the kit's libraries and
controls land in %windir%\\system32 and both controls get registered."""

import unittest

import winekit

CONTROLS = ["tarvel.ocx", "Quenbox.ocx"]
REGISTERED_KEY = "HKCU\\Software\\KitTest\\Registered"
LIBRARIES = {"kite2e_alpha.dll": b"alpha library\n", "kite2e_beta.dll": b"beta library\n"}
NOT_COPIED = "kite2e_readme.txt"


class SystemCopy(unittest.TestCase):
    def test_libraries_and_controls_are_installed(self):
        system32 = winekit.system32()
        # Left by an earlier run in the same prefix, they would prove nothing.
        for name in [*LIBRARIES, *CONTROLS, NOT_COPIED]:
            (system32 / name).unlink(missing_ok=True)
        winekit.reg_delete(REGISTERED_KEY)

        with winekit.kit_folder() as kit:
            for name, content in LIBRARIES.items():
                (kit / name).write_bytes(content)
            for control in CONTROLS:
                (kit / control).write_bytes(winekit.fixture(control).read_bytes())
            (kit / NOT_COPIED).write_text("not part of the closing commands\n")
            completed = winekit.run(winekit.setting("KIT_E2E_SETUP"), cwd=kit)

        self.assertEqual(completed.exit_code, 0, completed.stderr)
        for name, content in LIBRARIES.items():
            self.assertEqual((system32 / name).read_bytes(), content, name)
        for control in CONTROLS:
            self.assertEqual(
                (system32 / control).read_bytes(), winekit.fixture(control).read_bytes(), control
            )
            self.assertEqual(winekit.reg_value(REGISTERED_KEY, control), "0x1", control)
        self.assertFalse((system32 / NOT_COPIED).exists())


if __name__ == "__main__":
    unittest.main()
