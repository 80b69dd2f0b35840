#!/usr/bin/env python3
"""Writes fhswitch-<version>-windows-<arch>.zip for each ARCH=EXE given: the
exe and README.txt (from README.txt.in beside this script). Each entry has a
fixed date (SOURCE_DATE_EPOCH), fixed permissions and a fixed place, so the
same inputs always give the same bytes."""
import argparse
import os
import textwrap
import time
import zipfile

from architectures import architectures

HERE = os.path.dirname(os.path.abspath(__file__))


def entry(name, date):
    info = zipfile.ZipInfo(name, date_time=date)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that the permissions below are what unzip applies
    info.external_attr = 0o100644 << 16
    return info


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("executables", nargs="+", metavar="ARCH=EXE")
    options = parser.parse_args()

    # Zip dates cannot be earlier than 1980; they are local times, written as UTC here.
    epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800)
    date = time.gmtime(epoch)[:6]
    with open(os.path.join(HERE, "README.txt.in"), encoding="utf-8") as template_file:
        template = template_file.read()

    rows = architectures()
    which = "\n".join(textwrap.fill(f"{name:<4} {row['windows']}: {row['use']}.", width=78, initial_indent="  ",
                                     subsequent_indent="       ") for name, row in rows.items())
    os.makedirs(options.out, exist_ok=True)
    for item in options.executables:
        arch, exe = item.split("=", 1)
        readme = (template.replace("@VERSION@", options.version).replace("@ARCH@", arch)
                  .replace("@WINDOWS@", rows[arch]["windows"]).replace("@ARCHITECTURES@", which))
        with open(exe, "rb") as exe_file:
            contents = {"README.txt": readme.replace("\n", "\r\n").encode("utf-8"), "fhswitch.exe": exe_file.read()}
        path = os.path.join(options.out, f"fhswitch-{options.version}-windows-{arch}.zip")
        with zipfile.ZipFile(path, "w") as archive:
            for name in sorted(contents):
                archive.writestr(entry(name, date), contents[name], compresslevel=9)


if __name__ == "__main__":
    main()
