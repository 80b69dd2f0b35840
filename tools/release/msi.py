#!/usr/bin/env python3
"""Writes the installer of one architecture: msi.py --version V --arch A --exe EXE --out MSI.
It holds the exe (fhswitch.exe), fhstatus.exe and fhsettings.exe from the same folder, and the
logon scripts of examples/. The same inputs give the
same bytes: the product and component codes are name-based UUIDs of version
and architecture, the package code one of those and the files' content; the
cabinet dates the files by SOURCE_DATE_EPOCH, and wixl runs on a clock frozen
at that time (faketime), which the summary's times take."""
import argparse
import hashlib
import os
import shutil
import subprocess
import tempfile
import time
import uuid

from architectures import architectures

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = [os.path.join(HERE, "..", "..", "examples", name)
           for name in ("enable-file-history.cmd", "disable-file-history.cmd")]
# Where the Application log keeps the source "fhswitch", and the message file
# eventcreate names for a source it creates.
EVENT_SOURCE_KEY = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\fhswitch"
EVENT_MESSAGE_FILE = "%SystemRoot%\\System32\\EventCreate.exe"
NAMESPACE = uuid.UUID("6226bdf7-fe17-4627-a388-67ecb0595cb5")  # fhswitch's own

def code(*parts):
    return "{" + str(uuid.uuid5(NAMESPACE, " ".join(parts))).upper() + "}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--arch", required=True, choices=sorted(architectures()))
    parser.add_argument("--exe", required=True)
    parser.add_argument("--out", required=True)
    options = parser.parse_args()
    platform = architectures()[options.arch]
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])

    digest = hashlib.sha256()
    with tempfile.TemporaryDirectory() as stage:
        # wixl looks for sources by relative paths, beside the .wxs.
        programs = [options.exe] + [os.path.join(os.path.dirname(options.exe), companion)
                                    for companion in ("fhstatus.exe", "fhsettings.exe")]
        for source in programs + SCRIPTS:
            staged = os.path.join(stage, os.path.basename(source))
            with open(source, "rb") as content:
                digest.update(content.read())
            shutil.copyfile(source, staged)
            os.utime(staged, (epoch, epoch))
        shutil.copyfile(os.path.join(HERE, "fhswitch.wxs"), os.path.join(stage, "fhswitch.wxs"))
        frozen = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
        defines = {
            "Version": options.version,
            "Arch": options.arch,
            "ProductCode": code("product", options.version, options.arch),
            "ExeComponentGuid": code("component fhswitch.exe", options.arch),
            "StatusComponentGuid": code("component fhstatus.exe", options.arch),
            "SettingsComponentGuid": code("component fhsettings.exe", options.arch),
            "EnableComponentGuid": code("component enable-file-history.cmd", options.arch),
            "DisableComponentGuid": code("component disable-file-history.cmd", options.arch),
            "EventSourceComponentGuid": code("component event source", options.arch),
            "EventSourceKey": EVENT_SOURCE_KEY,
            "EventMessageFile": EVENT_MESSAGE_FILE,
            "ProgramFilesFolder": platform["msi_folder"],
            "Win64": platform["win64"],
        }
        out = os.path.abspath(options.out)
        command = ["faketime", "-f", frozen, "wixl", "-a", options.arch, "-o", out]
        for name, value in defines.items():
            command += ["-D", f"{name}={value}"]
        command.append("fhswitch.wxs")
        subprocess.run(command, check=True, cwd=stage, env=dict(os.environ, TZ="UTC"))
    package_code = code("package", options.version, options.arch, digest.hexdigest())
    # "#%" marks a REG_EXPAND_SZ value, which wixl 0.101 leaves out.
    expandable = f"UPDATE `Registry` SET `Value` = '#%{EVENT_MESSAGE_FILE}' WHERE `Name` = 'EventMessageFile'"
    subprocess.run(["faketime", "-f", frozen, "msibuild", options.out, "-q", expandable, "-s", "fhswitch",
                    "fhswitch project", platform["msi_platform"] + ";1033", package_code],
                   check=True, env=dict(os.environ, TZ="UTC"))


if __name__ == "__main__":
    main()
