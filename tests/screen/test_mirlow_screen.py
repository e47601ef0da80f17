"""Mirlow on a terminal, native or under Wine: the technician orders two cards with
keys while the simulator makes the events, and the Chinese prompts read right.

    test_mirlow_screen.py native MIRLOW   the native build, against the native simulator
    test_mirlow_screen.py                 Mirlow.exe and the simulator's Tarvel.dll under
                                          Wine (KIT_E2E_MIRLOW, KIT_E2E_CARDSIM, KIT_E2E_PREFIX)
"""

import shlex
import shutil
import sys
import tempfile
from pathlib import Path

from tmux_screen import Screen, assert_shown_in_order, screen_lines, winekit

import cardorder_dialogue as tool  # noqa: E402  (the tool's texts, on winekit's path)

PRESS_KEY_TO_TEST = screen_lines(tool.PRESS_KEY_TO_TEST)[0]
ORDER_FINISHED = screen_lines(tool.ORDER_FINISHED)[0]
PRESS_KEY_TO_EXIT = screen_lines(tool.PRESS_KEY_TO_EXIT)[0]
# Card 1 off-hook on line 3; Enter on card 2 before any event; card 2 rings on line 5; "y".
EXPECTED = [
    *screen_lines(
        "".join(
            [
                tool.CARD_COUNT % 2,
                *tool.prompt(1),
                tool.CALL_IN_EVENT % 3,
                tool.OFF_HOOK_DETECTED % 1,
                *tool.prompt(2),
                tool.NOTHING_DONE % 2,
                tool.RING_EVENT % 5,
                tool.RING_DETECTED % 2,
                *tool.result_table([3, 5]),
                tool.WRITING,
                tool.WRITE_DONE,
                tool.PRESS_KEY_TO_EXIT,
            ]
        )
    ),
    "[exit 0]",
]


def command_line(native, folder, log):
    """The shell command and environment that start Mirlow in folder."""
    if native:
        env = {"TARVEL_SIM_LOG": str(log), "TARVEL_SIM_PORT": "0"}
        return shlex.quote(str(Path(native).resolve())), env
    shutil.copy(winekit.setting("KIT_E2E_MIRLOW"), folder / "Mirlow.exe")
    shutil.copy(winekit.setting("KIT_E2E_CARDSIM"), folder / "Tarvel.dll")
    env = winekit.wine_env(winekit.setting("KIT_E2E_PREFIX"), winekit.simulator_env(log))
    return "wine Mirlow.exe", env


def main(native=None):
    with tempfile.TemporaryDirectory(prefix="kit-screen-") as folder:
        log = Path(folder) / "sim.log"
        command, env = command_line(native, Path(folder), log)
        with Screen(command, cwd=folder, env=env) as screen:
            screen.wait_for(PRESS_KEY_TO_TEST)
            with winekit.SimulatorPort(log) as port:
                port.send("offhook 3")
                screen.keys("Enter")
                screen.wait_for(PRESS_KEY_TO_TEST, 2)
                screen.keys("Enter")  # nothing done on card 2 yet
                screen.wait_for(PRESS_KEY_TO_TEST, 3)
                port.send("ring 5")
                screen.keys("Enter")
            screen.wait_for(ORDER_FINISHED)
            screen.keys("y", "Enter")
            screen.wait_for(PRESS_KEY_TO_EXIT)
            screen.keys("x")  # any key, without Enter
            assert_shown_in_order(screen.wait_for("[exit 0]"), EXPECTED)
    print(f"{'native' if native else 'Wine'} Mirlow reads right on the screen")


if __name__ == "__main__":
    if sys.argv[1:2] not in ([], ["native"]) or len(sys.argv) not in (1, 3):
        sys.exit(__doc__)
    main(*sys.argv[2:])
