"""Setup.exe with a voice card present: for each table row whose INF is in the kit folder it
reports the search, and it installs that INF only on the device whose first hardware ID is
the row's ID exactly."""

import unittest

import winekit
from test_setup_commands import CLOSING_COMMANDS

CARD_ID = "PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"
DRIVER_KEY = "HKLM\\Software\\KitTest\\Driver"

# Devices that must not count as a match: the ID of row 11 only as a second hardware ID,
# and the first part of row 10's ID alone.
DECOY_DEVICES = [
    [
        "PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_01",
        "PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00",
    ],
    ["PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B30001"],
]

# qt8620e.inf is table row 3, mb6714.inf rows 10 to 12; the card carries row 12's ID.
EXPECTED_OUTPUT = (
    '".\\qt8620e.inf" found.\r\n'
    "Search for Device ID: [PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D4&REV_00]\r\n"
    '".\\mb6714.inf" found.\r\n'
    "Search for Device ID: [PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B30001&REV_00]\r\n"
    '".\\mb6714.inf" found.\r\n'
    "Search for Device ID: [PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00]\r\n"
    '".\\mb6714.inf" found.\r\n'
    f"Search for Device ID: [{CARD_ID}]\r\n"
    f"Found! [{CARD_ID}]\r\n"
    "Driver Installed successfully.\r\n"
)


class DriverInstall(unittest.TestCase):
    def test_present_card_gets_the_driver_of_its_row(self):
        winekit.register_devices([[CARD_ID], *DECOY_DEVICES])
        winekit.reg_delete(DRIVER_KEY)  # a mark of an earlier run would prove nothing

        with winekit.kit_folder() as kit:
            (kit / "mb6714.inf").write_bytes(winekit.data("test_card.inf").read_bytes())
            # Only its presence counts; had Setup installed this one, no mark would appear.
            (kit / "qt8620e.inf").write_text("; not a driver package\n")
            completed, commands = winekit.run_recording_commands(
                winekit.setting("KIT_E2E_SETUP"), cwd=kit
            )

        self.assertEqual(completed.stdout.decode("utf-8"), EXPECTED_OUTPUT)
        self.assertEqual(winekit.reg_value(DRIVER_KEY, "Installed"), "0x1")
        self.assertEqual(commands, CLOSING_COMMANDS)
        self.assertEqual(completed.exit_code, 0, completed.stderr)


if __name__ == "__main__":
    unittest.main()
