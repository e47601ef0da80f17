"""Wine plumbing shared by the end-to-end drivers.

A driver learns where things are from environment variables that CTest sets (see
CMakeLists.txt), runs Windows programs in the run's throwaway prefix with run(), or holds a
dialogue with one through Running, talks to the card simulator through SimulatorPort, and
reads what the programs left behind with reg_value() and system32().

As a script it makes or stops that prefix, for CTest's fixture tests:
    winekit.py create PREFIX
    winekit.py shutdown PREFIX
"""

import contextlib
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

# Generous: a cold prefix may start its services on the first call.
WINE_TIMEOUT = 120
# How long a running program may take to show what a driver waits for.
EXPECT_TIMEOUT = 30
POLL_INTERVAL = 0.02


def setting(name):
    """The value of a KIT_E2E_* variable; the test cannot run without it."""
    value = os.environ.get(name)
    if not value:
        sys.exit(f"{name} is not set: run this test through ctest")
    return value


def fixture(name):
    """A Windows fixture built for the tests, by file name."""
    return Path(setting("KIT_E2E_FIXTURES")) / name


def data(name):
    """A file of the tests' own from tests/e2e/data."""
    return Path(setting("KIT_E2E_DATA")) / name


def wine_env(prefix, extra=None):
    """The environment of a wine call: a 32-bit prefix without Mono, Gecko or debug output."""
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(prefix),
        WINEARCH="win32",
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree,mshtml=",
    )
    env.update(extra or {})
    return env


def windows_path(path):
    """The path as Windows programs in the prefix see it: Wine maps drive Z: to /."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


@dataclass
class Completed:
    exit_code: int
    stdout: bytes
    stderr: bytes


def run(program, args=(), *, cwd, env=None, stdin=b"", comspec=None):
    """Runs a Windows program in the prefix and waits for it.

    cwd becomes the program's current folder; env adds variables, which Wine hands on to
    the Windows process; stdin is fed to it whole. With comspec, the program runs under a
    cmd.exe that first sets COMSPEC to that program, as Wine would otherwise put back its
    own value from the registry; args then pass through cmd.exe too, which acts on & | < >
    itself. stdout comes back as the raw bytes the program wrote (cmd.exe adds nothing).
    """
    command = [windows_path(program), *args]
    if comspec is not None:
        interpreter = windows_path(comspec)
        # Wine would quote an argument with a blank, and cmd would keep the quotes.
        if " " in interpreter:
            raise ValueError(f"COMSPEC path must not contain blanks: {interpreter}")
        command = ["cmd", "/c", f"set COMSPEC={interpreter}&&", *command]
    return wine_call(["wine", *command], cwd=cwd, env=env, stdin=stdin)


def wine_call(command, *, cwd=None, env=None, stdin=b"", prefix=None, timeout=WINE_TIMEOUT):
    """Runs a wine command line in the prefix (the run's own unless given).

    Output goes to files, not pipes: Windows processes that the call starts in the
    background (services, devices) inherit it and would hold a pipe open long after.
    """
    prefix = prefix or setting("KIT_E2E_PREFIX")
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        completed = subprocess.run(
            command,
            cwd=cwd,
            env=wine_env(prefix, env),
            input=stdin,
            stdout=stdout,
            stderr=stderr,
            timeout=timeout,
        )
        stdout.seek(0)
        stderr.seek(0)
        return Completed(completed.returncode, stdout.read(), stderr.read())


def wait_until(check, what, timeout=EXPECT_TIMEOUT):
    """Polls check() until it returns something other than None, and returns that."""
    deadline = time.monotonic() + timeout
    while (result := check()) is None:
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(POLL_INTERVAL)
    return result


class Running:
    """Starts a Windows program in the prefix for a dialogue: its stdin is a pipe the driver
    writes lines to, its stdout a file the driver waits on for expected bytes.

    Output goes to files, as in wine_call(). Use it as a context manager: leaving the block
    before wait() kills the program. encoding is what the program writes in, for messages.
    """

    def __init__(self, program, args=(), *, cwd, env=None, encoding="utf-8"):
        self._encoding = encoding
        self._files = tempfile.TemporaryDirectory(prefix="kit-running-")
        self._stdout = Path(self._files.name) / "stdout"
        self._stderr = Path(self._files.name) / "stderr"
        with self._stdout.open("wb") as stdout, self._stderr.open("wb") as stderr:
            self._process = subprocess.Popen(
                ["wine", windows_path(program), *args],
                cwd=cwd,
                env=wine_env(setting("KIT_E2E_PREFIX"), env),
                stdin=subprocess.PIPE,
                stdout=stdout,
                stderr=stderr,
            )
        self._matched = 0  # bytes of stdout that expect() has consumed

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        if self._process.poll() is None:
            self._process.kill()
            self._process.wait()
        self.close_input()
        self._files.cleanup()

    def output(self):
        """All the program wrote to stdout so far."""
        return self._stdout.read_bytes()

    def expect(self, expected, timeout=EXPECT_TIMEOUT):
        """Waits until the program's next stdout bytes are exactly expected and returns them.

        Fails as soon as they differ, or when the program ends first.
        """

        def arrived():
            ended = self._process.poll() is not None
            got = self.output()[self._matched : self._matched + len(expected)]
            if not expected.startswith(got):
                raise AssertionError(self._unexpected(expected, got))
            if len(got) == len(expected):
                return got
            if ended:
                exit_code = self._process.returncode
                raise AssertionError(
                    f"the program exited ({exit_code}) first: " + self._unexpected(expected, got)
                )
            return None

        what = f"{self._text(expected)!r} at stdout byte {self._matched}"
        got = wait_until(arrived, what, timeout)
        self._matched += len(got)
        return got

    def _text(self, output):
        return output.decode(self._encoding, "replace")

    def _unexpected(self, expected, got):
        return (
            f"at stdout byte {self._matched} expected {self._text(expected)!r}, "
            f"got {self._text(got)!r}"
        )

    def write_line(self, line):
        """Types a line: its text and Enter, as "\\r\\n"."""
        self._process.stdin.write(line.encode("ascii") + b"\r\n")
        self._process.stdin.flush()

    def close_input(self):
        """Ends the program's input, as if the one at the keyboard left."""
        if not self._process.stdin.closed:
            self._process.stdin.close()

    def wait(self, timeout=WINE_TIMEOUT):
        """Ends the input, waits for the program to exit and returns how it went."""
        self.close_input()
        exit_code = self._process.wait(timeout)
        return Completed(exit_code, self.output(), self._stderr.read_bytes())


class SimulatorPort:
    """A connection to the card simulator's control port: one command line out, one reply
    line back. The simulator answers "ok" only after the program's event handler returned.

    The port is the one the simulator logged ("Listening PORT") when the program under test
    set its event handler; the log is TARVEL_SIM_LOG of that program, as a Linux path.
    """

    def __init__(self, log):
        def listening():
            found = re.search(r"^Listening (\d+)$", read_text(log), re.MULTILINE)
            return int(found.group(1)) if found else None

        port = wait_until(listening, f"the simulator's port in {log}")
        self._socket = socket.create_connection(("127.0.0.1", port), timeout=EXPECT_TIMEOUT)
        self._replies = self._socket.makefile("r", encoding="ascii", newline="\n")

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()

    def send(self, command):
        """Sends one command and returns the reply without its line end."""
        self._socket.sendall(command.encode("ascii") + b"\n")
        reply = self._replies.readline()
        if not reply.endswith("\n"):
            raise AssertionError(f"the simulator closed the port on {command!r}")
        return reply[:-1]

    def close(self):
        self._replies.close()
        self._socket.close()


def simulator_env(log, **settings):
    """The environment of a program using the card simulator: its log goes to log (a Linux
    path), its control port is any free one, and settings give the other TARVEL_SIM_*
    variables by their lower-case names (cards=3 for TARVEL_SIM_CARDS, open=...)."""
    env = {"TARVEL_SIM_LOG": windows_path(log), "TARVEL_SIM_PORT": "0"}
    env.update({f"TARVEL_SIM_{name.upper()}": str(value) for name, value in settings.items()})
    return env


def read_text(path):
    """A text file that a program may still be writing to; empty until it exists."""
    try:
        return Path(path).read_text(encoding="ascii")
    except FileNotFoundError:
        return ""


def run_recording_commands(program, args=(), *, cwd, env=None, stdin=b""):
    """Runs the program with the COMSPEC recorder as its command interpreter.

    Returns the Completed run and the commands the program handed to system(), in order:
    the text after "/c " of each recorded interpreter command line, exactly.
    """
    with tempfile.TemporaryDirectory(prefix="kit-comspec-") as recorder_dir:
        # A copy in the temporary folder keeps blanks of the build path out of COMSPEC.
        recorder = Path(recorder_dir) / "command_recorder.exe"
        shutil.copyfile(fixture("command_recorder.exe"), recorder)
        log = Path(recorder_dir) / "commands.log"
        completed = run(
            program,
            args,
            cwd=cwd,
            env={**(env or {}), "KIT_COMSPEC_LOG": windows_path(log)},
            stdin=stdin,
            comspec=recorder,
        )
        lines = log.read_bytes().decode("utf-8").split("\n") if log.exists() else [""]
    if lines[-1] != "":
        raise AssertionError(f"recorder log does not end with a line end: {lines[-1]!r}")
    commands = []
    for line in lines[:-1]:
        _, separator, command = line.partition(" /c ")
        if not separator:
            raise AssertionError(f"not an interpreter call with /c: {line!r}")
        commands.append(command)
    return completed, commands


@contextlib.contextmanager
def kit_folder():
    """A fresh, empty folder to play the kit folder of one test."""
    with tempfile.TemporaryDirectory(prefix="kit-folder-") as folder:
        yield Path(folder)


def register_devices(devices):
    """Makes the given devices, each a list of hardware IDs, the test devices present."""
    with kit_folder() as folder:
        arguments = [";".join(ids) for ids in devices]
        completed = run(fixture("register_devices.exe"), arguments, cwd=folder)
    if completed.exit_code != 0:
        reason = completed.stderr.decode(errors="replace")
        raise RuntimeError(f"cannot register {devices}: {reason}")


def system32():
    """The prefix's %windir%\\system32 as a Linux path."""
    return Path(setting("KIT_E2E_PREFIX")) / "drive_c" / "windows" / "system32"


def reg_value(key, name):
    """The data of a registry value as `reg query` shows it (e.g. "0x1"), or None if absent."""
    completed = wine_call(["wine", "reg", "query", key, "/v", name])
    if completed.exit_code != 0:
        return None
    # A value line reads "    <name>    <type>    <data>".
    for line in completed.stdout.decode("utf-8", "replace").splitlines():
        fields = line.strip().split("    ")
        if len(fields) == 3 and fields[0].lower() == name.lower():
            return fields[2]
    return None


def reg_delete(key):
    """Deletes a registry key with all its values and subkeys, if it is there."""
    wine_call(["wine", "reg", "delete", key, "/f"])


def create_prefix(prefix):
    """Makes the prefix anew; a leftover one of an earlier run is stopped and removed."""
    prefix = Path(prefix)
    if prefix.exists():
        shutdown_prefix(prefix)
        shutil.rmtree(prefix)
    prefix.parent.mkdir(parents=True, exist_ok=True)  # wine makes the prefix, not its parent
    booted = wine_call(["wineboot", "-i"], prefix=prefix, timeout=300)
    if booted.exit_code != 0:
        reason = booted.stderr.decode(errors="replace")
        sys.exit(f"wineboot -i failed ({booted.exit_code}):\n{reason}")


def shutdown_prefix(prefix):
    """Stops the prefix's wineserver and every Windows process in it."""
    wine_call(["wineserver", "-k"], prefix=prefix)


if __name__ == "__main__":
    actions = {"create": create_prefix, "shutdown": shutdown_prefix}
    if len(sys.argv) != 3 or sys.argv[1] not in actions:
        sys.exit(f"usage: {sys.argv[0]} create|shutdown PREFIX")
    actions[sys.argv[1]](sys.argv[2])
