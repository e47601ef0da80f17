"""The kit a technician receives: the ZIP that `--target package` makes.

It must hold both programs, identical to the ones built, the two guides, and a
SHA256SUMS that covers every other file; and never a library or control of the
project's own (the card simulator would replace the maker's library on the PC).
"""

import hashlib
import sys
import zipfile
from pathlib import Path

REQUIRED = {"Setup.exe", "Mirlow.exe", "guide-zh.txt", "guide-en.txt", "SHA256SUMS"}


def check(kit_zip, programs):
    problems = []
    with zipfile.ZipFile(kit_zip) as archive:
        files = {}
        for entry in archive.infolist():
            if entry.is_dir():
                continue
            name = entry.filename.split("/", 1)[-1]  # below the kit's own folder
            files[name] = archive.read(entry)
    problems += [f"contains {name}" for name in files if name.lower().endswith((".dll", ".ocx"))]
    problems += [f"lacks {name}" for name in sorted(REQUIRED - files.keys())]
    for program in programs:
        if files.get(program.name) != program.read_bytes():
            problems.append(f"{program.name} differs from the build")
    sums = files.get("SHA256SUMS", b"").decode("utf-8").splitlines()
    listed = {}
    for line in sums:
        digest, separator, name = line.partition("  ")
        if not separator:
            problems.append(f"SHA256SUMS line not in sha256sum's format: {line!r}")
            continue
        listed[name] = digest
    if set(listed) != set(files) - {"SHA256SUMS"}:
        problems.append(f"SHA256SUMS covers {sorted(listed)}, the kit has {sorted(files)}")
    for name, digest in listed.items():
        if name in files and hashlib.sha256(files[name]).hexdigest() != digest:
            problems.append(f"checksum of {name} does not match")
    for guide in ("guide-zh.txt", "guide-en.txt"):
        text = files.get(guide, b"")
        if not text.startswith(b"\xef\xbb\xbf") or b"\n" in text.replace(b"\r\n", b""):
            problems.append(f"{guide} is not Windows text (UTF-8 mark, CRLF line ends)")
    return problems


if __name__ == "__main__":
    kit_zip, *programs = sys.argv[1:]
    problems = check(kit_zip, [Path(p) for p in programs])
    for problem in problems:
        print(f"kit package: {problem}")
    sys.exit(1 if problems else 0)
