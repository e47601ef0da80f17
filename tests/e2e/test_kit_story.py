"""The technician's whole story with the kit (see kit_story.py), checked: Setup.exe installs
the driver, the library and the controls, and Mirlow.exe, bound to the library in the system
folder, orders three cards and writes the order back through it."""

import unittest

from cardorder_dialogue import handled_event, written
from kit_story import CARD_LINES, kit_files, tell
from test_setup_system_copy import CONTROLS


class KitStory(unittest.TestCase):
    def test_setup_then_card_order(self):
        seen = tell()

        self.assertEqual(seen.setup.exit_code, 0, seen.setup.stderr)
        self.assertEqual(seen.driver_mark, "0x1")
        for name, content in seen.system_files.items():
            self.assertEqual(content, kit_files()[name].read_bytes(), name)
        self.assertEqual(seen.registration_marks, {control: "0x1" for control in CONTROLS})

        order = seen.order
        self.assertEqual(order.completed.stdout, order.shown)
        self.assertEqual(order.completed.exit_code, 0, order.completed.stderr)
        # One card's road through the library: from setting the handler to closing the cards.
        events = [entry for line in CARD_LINES for entry in handled_event(5, 1, line)]
        self.assertEqual(
            order.log,
            [
                "SetEventHandler",
                "OpenCards -> 0",
                f"GetCardCount 0 -> {len(CARD_LINES)}",
                *events,
                *written(CARD_LINES),
                "CloseCards -> 0",
            ],
        )


if __name__ == "__main__":
    unittest.main()
