"""What a person sees: a program run in a real terminal (tmux, UTF-8 locale), answered
with keys and read off the screen, so that the Chinese text is checked as shown, not as
bytes.
"""

import os
import subprocess
import sys
import uuid
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import winekit  # noqa: E402  (shared waiting and simulator plumbing)

UTF8 = {"LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}


def screen_lines(text):
    """Text as a terminal shows it, line by line: blank lines left out, runs of blanks
    (a table's tabs among them) read as one."""
    return [" ".join(line.split()) for line in text.splitlines() if line.strip()]


class Screen:
    """One program in a terminal of its own, on a tmux server of its own."""

    def __init__(self, command, *, cwd, env):
        self._tmux = ["tmux", "-u", "-f", "/dev/null", "-L", f"kit-{uuid.uuid4().hex[:12]}"]
        # The pane stays after the program ends, with its exit status on a line of its own.
        shell = f'{command}; echo "[exit $?]"; sleep 600'
        environment = {**os.environ, **UTF8, **env}
        subprocess.run(
            [*self._tmux, "new-session", "-d", "-x", "160", "-y", "60", "-c", str(cwd), shell],
            env=environment,
            check=True,
        )

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        subprocess.run([*self._tmux, "kill-server"], capture_output=True)

    def text(self):
        """The screen's lines, with the history scrolled off it (see screen_lines)."""
        shown = subprocess.run(
            [*self._tmux, "capture-pane", "-p", "-S", "-", "-J"],
            capture_output=True,
            check=True,
        ).stdout.decode("utf-8")
        return screen_lines(shown)

    def wait_for(self, line, count=1):
        """Waits until the line is shown count times; returns the screen."""

        def shown():
            screen = self.text()
            return screen if screen.count(line) >= count else None

        try:
            return winekit.wait_until(shown, f"{line!r} on the screen")
        except AssertionError:
            raise AssertionError(f"{line!r} not shown; the screen reads:\n" + "\n".join(self.text()))

    def keys(self, *keys):
        subprocess.run([*self._tmux, "send-keys", *keys], check=True)


def assert_shown_in_order(screen, expected):
    """The expected lines stand on the screen in this order (other lines may fall between)."""
    at = 0
    for line in expected:
        try:
            at = screen.index(line, at) + 1
        except ValueError:
            raise AssertionError(
                f"{line!r} is not on the screen after line {at}; it reads:\n" + "\n".join(screen)
            ) from None
