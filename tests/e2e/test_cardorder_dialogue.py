"""Mirlow.exe under Wine with the card simulator's Tarvel.dll beside it, driven through the
simulator's control port and its console input: for each scripted run, everything it shows
(as GBK bytes with "\\r\\n"), its exit code, and the library calls it made, in order."""

import shutil
import unittest
from dataclasses import dataclass

import winekit
from cardorder_dialogue import (
    CALL_IN_EVENT,
    CARD_COUNT,
    DISCARDED,
    END_OF_INPUT,
    NOT_FINISHED,
    NOTHING_DONE,
    OFF_HOOK_DETECTED,
    ONLY_ONE_CARD,
    OPEN_FAILED,
    PRESS_KEY_TO_EXIT,
    RING_DETECTED,
    RING_EVENT,
    SAME_CARD_AGAIN,
    WRITE_DONE,
    WRITING,
    Answer,
    Event,
    handled_event,
    place_by_off_hook,
    play,
    prompt,
    result_table,
    written,
)


@dataclass(frozen=True)
class Scenario:
    simulator: dict  # TARVEL_SIM_* settings, see winekit.simulator_env
    script: list
    exit_code: int
    log: list


def opened(cards):
    return ["SetEventHandler", "OpenCards -> 0", f"GetCardCount 0 -> {cards}"]


SCENARIOS = {
    "three cards, one tested twice, a turn without event, confirmed": Scenario(
        {"cards": 3},
        [
            CARD_COUNT % 3,
            *place_by_off_hook(1, 5),
            *prompt(2),
            Answer(""),
            NOTHING_DONE % 2,
            *prompt(2),
            Event("offhook 5"),
            CALL_IN_EVENT % 5,
            Answer(""),
            SAME_CARD_AGAIN,
            *prompt(2),
            # An event of no interest shows nothing and does not place the card.
            Event("event 7 0 4 0 0"),
            Event("ring 2"),
            RING_EVENT % 2,
            Answer(""),
            RING_DETECTED % 2,
            *prompt(3),
            # The other call-in event: code 6, first parameter 9.
            Event("event 6 9 7 0 0"),
            CALL_IN_EVENT % 7,
            Answer("next"),
            OFF_HOOK_DETECTED % 3,
            *result_table([5, 2, 7]),
            # Answers other than "y" and "n" are passed over; their case does not count.
            Answer("maybe"),
            Answer("Y"),
            WRITING,
            WRITE_DONE,
            PRESS_KEY_TO_EXIT,
            Answer(""),
        ],
        0,
        [
            *opened(3),
            *handled_event(5, 1, 5),
            *handled_event(5, 1, 5),
            *handled_event(7, 0, 4),
            *handled_event(20, 0, 2),
            *handled_event(6, 9, 7),
            *written([5, 2, 7]),
            "CloseCards -> 0",
        ],
    ),
    "two cards ordered, discarded, no key at the end": Scenario(
        {"cards": 2},
        [
            CARD_COUNT % 2,
            *place_by_off_hook(1, 3),
            *place_by_off_hook(2, 1),
            *result_table([3, 1]),
            Answer("n"),
            DISCARDED,
            PRESS_KEY_TO_EXIT,
            END_OF_INPUT,
        ],
        0,
        [*opened(2), *handled_event(5, 1, 3), *handled_event(5, 1, 1), "CloseCards -> 0"],
    ),
    "the cards do not open": Scenario(
        {"open": 3},
        [OPEN_FAILED, Answer("")],
        255,  # -1 as Wine's exit status
        ["SetEventHandler", "OpenCards -> 3"],
    ),
    "one card": Scenario(
        {"cards": 1},
        [ONLY_ONE_CARD, PRESS_KEY_TO_EXIT, Answer("")],
        0,
        [*opened(1), "CloseCards -> 0"],
    ),
    "end of input at the first prompt": Scenario(
        {"cards": 2},
        [CARD_COUNT % 2, *prompt(1), END_OF_INPUT, NOT_FINISHED, PRESS_KEY_TO_EXIT],
        0,
        [*opened(2), "CloseCards -> 0"],
    ),
}


class CardOrderDialogue(unittest.TestCase):
    def test_scripted_runs(self):
        for name, scenario in SCENARIOS.items():
            with self.subTest(name), winekit.kit_folder() as folder:
                # The loader finds the library beside the program.
                shutil.copy(winekit.setting("KIT_E2E_MIRLOW"), folder)
                shutil.copy(winekit.setting("KIT_E2E_CARDSIM"), folder)
                played = play(folder / "Mirlow.exe", folder, scenario.script, **scenario.simulator)
                completed = played.completed
                self.assertEqual(completed.stdout, played.shown)
                self.assertEqual(completed.exit_code, scenario.exit_code, completed.stderr)
                self.assertEqual(played.log, scenario.log)


if __name__ == "__main__":
    unittest.main()
