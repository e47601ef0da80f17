"""Wine plumbing shared by the end-to-end drivers.

A driver learns where things are from environment variables that CTest sets (see
CMakeLists.txt), runs Windows programs in the run's throwaway prefix with run(), and reads
what they left behind with reg_value() and system32().

As a script it makes or stops that prefix, for CTest's fixture tests:
    winekit.py create PREFIX
    winekit.py shutdown PREFIX
"""

import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path

# Generous: a cold prefix may start its services on the first call.
WINE_TIMEOUT = 120


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


def run_recording_commands(program, args=(), *, cwd, env=None, stdin=b""):
    """Runs the program with the COMSPEC recorder as its command interpreter.

    Returns the Completed run and the commands the program handed to system(), in order:
    the text after "/c " of each recorded interpreter command line, exactly.
    """
    with tempfile.TemporaryDirectory(prefix="kit-comspec-") as recorder_dir:
        # A copy in the temporary folder keeps blanks of the build path out of COMSPEC.
        recorder = Path(recorder_dir) / "comspec_recorder.exe"
        shutil.copyfile(fixture("comspec_recorder.exe"), recorder)
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
