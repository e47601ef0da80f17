"""The technician's whole story with the kit, in a Wine prefix of its own.

The machine has one voice card. The kit folder holds Setup.exe, Mirlow.exe, the card
simulator as the maker's library Tarvel.dll, the two controls and the card's driver package.
Setup.exe, run there, installs the driver, copies the library and the controls into the
system folder through Wine's own cmd.exe and registers the controls. Then Mirlow.exe, alone
in another folder, binds Tarvel.dll from the system folder, orders three cards over the
simulator's control port and, on "y", writes the order back.

tell() performs it and returns what it saw; test_kit_story.py checks that. As a script,
    python3 tests/e2e/kit_story.py --demo
tells the story on stdout instead. Both need KIT_E2E_PREFIX (the story's own prefix: made
anew, so whatever is there is deleted, and its wineserver stopped at the end),
KIT_E2E_SETUP, KIT_E2E_MIRLOW, KIT_E2E_CARDSIM (the simulator's Tarvel.dll),
KIT_E2E_FIXTURES (the built test fixtures) and KIT_E2E_DATA (tests/e2e/data).
"""

import shutil
import sys
from dataclasses import dataclass
from pathlib import Path

import winekit
from cardorder_dialogue import (
    CARD_COUNT,
    PRESS_KEY_TO_EXIT,
    WRITE_DONE,
    WRITING,
    Answer,
    Played,
    as_shown,
    place_by_off_hook,
    play,
    result_table,
)
from test_setup_driver import CARD_ID, DRIVER_KEY
from test_setup_system_copy import CONTROLS, REGISTERED_KEY

LIBRARY = "Tarvel.dll"
DRIVER_PACKAGE = "mb6714.inf"  # the table's package for CARD_ID

# The line each card position turns out to have: the cards' own order differs from the lines'.
CARD_LINES = [4, 1, 2]

ORDER_SCRIPT = [
    CARD_COUNT % len(CARD_LINES),
    *(
        step
        for position, line in enumerate(CARD_LINES, 1)
        for step in place_by_off_hook(position, line)
    ),
    *result_table(CARD_LINES),
    Answer("y"),
    WRITING,
    WRITE_DONE,
    PRESS_KEY_TO_EXIT,
    Answer(""),
]


def kit_files():
    """The kit folder's files by name, each with the file it is a copy of."""
    files = {
        "Setup.exe": Path(winekit.setting("KIT_E2E_SETUP")),
        "Mirlow.exe": Path(winekit.setting("KIT_E2E_MIRLOW")),
        LIBRARY: Path(winekit.setting("KIT_E2E_CARDSIM")),
        DRIVER_PACKAGE: winekit.data("test_card.inf"),
    }
    files.update({control: winekit.fixture(control) for control in CONTROLS})
    return files


@dataclass
class Seen:
    setup: winekit.Completed
    driver_mark: str  # as reg_value() gives it; None when the driver was not installed
    system_files: dict  # the system folder's copy of the library and each control, or None
    registration_marks: dict  # per control, as reg_value() gives it
    order: Played


def read_or_none(path):
    return path.read_bytes() if path.exists() else None


def tell(narrate=lambda text: None):
    """Performs the story in a fresh prefix and returns what it saw, narrating as it goes."""
    prefix = winekit.setting("KIT_E2E_PREFIX")
    narrate(f"== A fresh Wine prefix: {prefix}\n")
    winekit.create_prefix(prefix)
    try:
        return tell_in_prefix(narrate)
    finally:
        winekit.shutdown_prefix(prefix)


def tell_in_prefix(narrate):
    narrate(f"== The machine has a voice card: {CARD_ID}\n")
    winekit.register_devices([[CARD_ID]])

    with winekit.kit_folder() as kit:
        for name, source in kit_files().items():
            shutil.copyfile(source, kit / name)
        narrate(f"== The kit folder holds: {', '.join(sorted(kit_files()))}\n")
        narrate("== Setup.exe, run from the kit folder:\n")
        setup = winekit.run(kit / "Setup.exe", cwd=kit)
    narrate(as_shown(setup.stdout))
    narrate(f"== Setup.exe exited with {setup.exit_code}\n")

    driver_mark = winekit.reg_value(DRIVER_KEY, "Installed")
    system_files = {name: read_or_none(winekit.system32() / name) for name in [LIBRARY, *CONTROLS]}
    registration_marks = {
        control: winekit.reg_value(REGISTERED_KEY, control) for control in CONTROLS
    }
    narrate(f"== The driver's mark: {driver_mark}\n")
    for name, content in system_files.items():
        narrate(f"== In the system folder, {name}: {'present' if content else 'missing'}\n")
    for control, mark in registration_marks.items():
        narrate(f"== {control} registered: {mark}\n")

    # Nothing but the program in its folder: the loader has to find the library in the system
    # folder, as on the technician's machine after Setup.
    with winekit.kit_folder() as folder:
        shutil.copyfile(kit_files()["Mirlow.exe"], folder / "Mirlow.exe")
        narrate(f"== Mirlow.exe, run alone from another folder, with {len(CARD_LINES)} cards:\n")
        order = play(folder / "Mirlow.exe", folder, ORDER_SCRIPT, narrate, cards=len(CARD_LINES))
    narrate(f"== Mirlow.exe exited with {order.completed.exit_code}\n")
    narrate("== What the library saw:\n" + "".join(f"  {line}\n" for line in order.log))
    return Seen(setup, driver_mark, system_files, registration_marks, order)


if __name__ == "__main__":
    if sys.argv[1:] != ["--demo"]:
        sys.exit(f"usage: {sys.argv[0]} --demo")
    try:
        tell(lambda text: print(text, end="", flush=True))
    except AssertionError as failure:
        sys.exit(f"\n== The story went wrong: {failure}")
