"""Setup on a terminal under Wine, with a card present: its lines read right on the
screen, each whole, in the order of the run (KIT_E2E_SETUP, KIT_E2E_PREFIX,
KIT_E2E_FIXTURES, KIT_E2E_DATA).
"""

import shutil

from tmux_screen import Screen, assert_shown_in_order, winekit

CARD_ID = "PCI\\VEN_4348&DEV_5049&SUBSYS_00000000&REV_10"
EXPECTED = [
    '".\\mb6714.inf" found.',
    "Search for Device ID: [PCI\\VEN_1204&DEV_EC30&SUBSYS_A1B30001&REV_00]",
    '".\\mb6714.inf" found.',
    "Search for Device ID: [PCI\\VEN_104C&DEV_AC60&SUBSYS_0001C3D5&REV_00]",
    '".\\mb6714.inf" found.',
    f"Search for Device ID: [{CARD_ID}]",
    f"Found! [{CARD_ID}]",
    "Driver Installed successfully.",
    "[exit 0]",
]


def main():
    winekit.register_devices([[CARD_ID]])
    with winekit.kit_folder() as kit:
        shutil.copy(winekit.data("test_card.inf"), kit / "mb6714.inf")
        shutil.copy(winekit.setting("KIT_E2E_SETUP"), kit / "Setup.exe")
        env = winekit.wine_env(winekit.setting("KIT_E2E_PREFIX"))
        with Screen("wine Setup.exe", cwd=kit, env=env) as screen:
            assert_shown_in_order(screen.wait_for("[exit 0]"), EXPECTED)
    print("Setup reads right on the screen")


if __name__ == "__main__":
    main()
