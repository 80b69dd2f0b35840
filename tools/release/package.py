#!/usr/bin/env python3
"""Writes, into OUT, fhswitch-<version>-windows-<arch>.zip for each ARCH=EXE
given, and fhswitch-<version>-product-codes.txt. Each zip holds the exe
(fhswitch.exe), fhstatus.exe and fhsettings.exe from the same folder, the logon scripts, the deployment guide, LICENSE.txt, CHANGELOG.md and README.txt
(from README.txt.in beside this script), text with CR LF line ends. The
product codes are read from the MSIs already in OUT. Each entry has a fixed
date (SOURCE_DATE_EPOCH), fixed permissions and a fixed place, so the same
inputs always give the same bytes."""
import argparse
import os
import subprocess
import textwrap
import time
import zipfile

from architectures import architectures

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "..")
# Name in the zip: file in the source tree.
DOCUMENTS = {
    "enable-file-history.cmd": "examples/enable-file-history.cmd",
    "disable-file-history.cmd": "examples/disable-file-history.cmd",
    "deploying.md": "docs/deploying.md",
    "LICENSE.txt": "LICENSE",
    "CHANGELOG.md": "CHANGELOG.md",
}


def entry(name, date):
    info = zipfile.ZipInfo(name, date_time=date)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that the permissions below are what unzip applies
    info.external_attr = 0o100644 << 16
    return info


def windows_text(text):
    """Text with CR LF line ends, whatever the checkout gave."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def product_code(msi):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True,
                           text=True).stdout
    return dict(line.split("\t", 1) for line in table.replace("\r", "").splitlines()[3:])["ProductCode"]


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
    documents = {}
    for name, path in DOCUMENTS.items():
        with open(os.path.join(SOURCE, path), encoding="utf-8") as document:
            documents[name] = windows_text(document.read())

    rows = architectures()
    which = "\n".join(textwrap.fill(f"{name:<4} {row['windows']}: {row['use']}.", width=78, initial_indent="  ",
                                     subsequent_indent="       ") for name, row in rows.items())
    codes = {}
    for item in options.executables:
        arch, exe = item.split("=", 1)
        msi = f"fhswitch-{options.version}-windows-{arch}.msi"
        codes[msi] = product_code(os.path.join(options.out, msi))
        readme = (template.replace("@VERSION@", options.version).replace("@ARCH@", arch)
                  .replace("@WINDOWS@", rows[arch]["windows"]).replace("@ARCHITECTURES@", which)
                  .replace("@PRODUCT_CODE@", codes[msi]))
        contents = dict(documents, **{"README.txt": windows_text(readme)})
        # fhstatus.exe and fhsettings.exe are staged beside fhswitch.exe.
        for program in ("fhswitch.exe", "fhstatus.exe", "fhsettings.exe"):
            with open(os.path.join(os.path.dirname(exe), program), "rb") as exe_file:
                contents[program] = exe_file.read()
        path = os.path.join(options.out, f"fhswitch-{options.version}-windows-{arch}.zip")
        with zipfile.ZipFile(path, "w") as archive:
            for name in sorted(contents):
                archive.writestr(entry(name, date), contents[name], compresslevel=9)

    listing = f"The ProductCode of each MSI of fhswitch {options.version}, for detection rules:\n"
    listing += "".join(f"{msi}  {code}\n" for msi, code in sorted(codes.items()))
    with open(os.path.join(options.out, f"fhswitch-{options.version}-product-codes.txt"), "wb") as out:
        out.write(windows_text(listing))


if __name__ == "__main__":
    main()
