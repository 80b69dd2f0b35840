#!/usr/bin/env python3
"""Checks a dist/ folder written by tools/release.sh: exactly a zip and an MSI
per architecture, the list of product codes and SHA256SUMS; each zip holds the
exe built for its architecture, the logon scripts, the guide, the licence, the
changes and README.txt (never a DLL), the text as in the source with CR LF
line ends; each MSI's tables say what an administrator relies on, Windows'
own actions included (Wine does some of them whatever the tables say);
SHA256SUMS names every file with its hash.
Given a certificate, every exe and MSI must carry a signature that verifies
against it, and lose it when one byte is flipped.
Usage: check_dist.py DIST VERSION [CERTIFICATE]"""
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "release"))
from architectures import architectures  # noqa: E402

ARCHITECTURES = architectures()
UPGRADE_CODE = "{84320FAD-75B2-412B-BCA3-8F31852F7C61}"  # both architectures: one fhswitch per machine
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
# Name in the zip: file in the source tree.
DOCUMENTS = {"enable-file-history.cmd": "examples/enable-file-history.cmd",
             "disable-file-history.cmd": "examples/disable-file-history.cmd",
             "deploying.md": "docs/deploying.md", "LICENSE.txt": "LICENSE", "CHANGELOG.md": "CHANGELOG.md"}
PROGRAMS = ["fhswitch.exe", "fhstatus.exe", "fhsettings.exe"]
INSTALLED = PROGRAMS + ["enable-file-history.cmd", "disable-file-history.cmd"]
EVENT_SOURCE = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\fhswitch"
# As eventcreate registers a source of its own, and the key's removal at uninstall.
REGISTRY = [["2", EVENT_SOURCE, "CustomSource", "#1"],
            ["2", EVENT_SOURCE, "EventMessageFile", "#%%SystemRoot%\\System32\\EventCreate.exe"],
            ["2", EVENT_SOURCE, "TypesSupported", "#7"],
            ["2", EVENT_SOURCE, "-", ""]]
# Without them in the sequence, Windows neither creates nor removes the folder
# and the registry values.
ACTIONS = ["CreateFolders", "RemoveFolders", "InstallFiles", "RemoveFiles", "WriteRegistryValues",
           "RemoveRegistryValues"]


def table(msi, name):
    """The rows of an MSI table, as lists of fields (msiinfo's three header lines left out)."""
    text = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.replace("\r", "").splitlines()[3:]]


def check_msi(path, arch, version):
    problems = []
    summary = subprocess.run(["msiinfo", "suminfo", path], check=True, capture_output=True, text=True).stdout
    row = ARCHITECTURES[arch]
    template, parent = row["msi_platform"] + ";1033", row["msi_folder"]
    attributes = "256" if row["win64"] == "yes" else "0"  # 256: a 64-bit component
    if f"Template: {template}\n" not in summary:
        problems.append(f"template is not {template}")
    properties = dict(row[:2] for row in table(path, "Property"))
    expected = {"ProductName": "fhswitch", "ProductVersion": version, "Manufacturer": "fhswitch project",
                "UpgradeCode": UPGRADE_CODE, "ARPNOMODIFY": "1", "ARPNOREPAIR": "1", "ALLUSERS": "1"}
    for name, value in expected.items():
        if properties.get(name) != value:
            problems.append(f"property {name} is {properties.get(name)!r}, not {value!r}")
    components = {row[0]: (row[2], row[3]) for row in table(path, "Component")}
    registry_attributes = str(int(attributes) + 4)  # 4: a registry value is the key path
    expected_components = {"fhswitch.exe": ("INSTALLFOLDER", attributes),
                           "fhstatus.exe": ("INSTALLFOLDER", attributes),
                           "fhsettings.exe": ("INSTALLFOLDER", attributes),
                           "enable_file_history.cmd": ("INSTALLFOLDER", attributes),
                           "disable_file_history.cmd": ("INSTALLFOLDER", attributes),
                           "EventSource": ("INSTALLFOLDER", registry_attributes)}
    if components != expected_components:
        problems.append(f"components are {components}, not {expected_components}")
    files = sorted(row[2] for row in table(path, "File"))
    if files != sorted(INSTALLED):
        problems.append(f"files are {files}")
    folders = {row[0]: row[1:] for row in table(path, "Directory")}
    if folders.get("INSTALLFOLDER") != [parent, "fhswitch"]:
        problems.append(f"installs into {folders.get('INSTALLFOLDER')}, not {parent}\\fhswitch")
    if ["INSTALLFOLDER"] != [row[0] for row in table(path, "CreateFolder")]:
        problems.append("does not create the install folder")
    # FileKey, Component_, FileName (none: the folder itself), DirProperty, InstallMode (2: at uninstall)
    if [row[2:] for row in table(path, "RemoveFile")] != [["", "INSTALLFOLDER", "2"]]:
        problems.append("does not remove the install folder at uninstall")
    registry = sorted(row[1:5] for row in table(path, "Registry"))
    if registry != sorted(REGISTRY):
        problems.append(f"registry values are {registry}")
    launch = sorted(table(path, "LaunchCondition"))
    expected_launch = [["NOT WIX_DOWNGRADE_DETECTED", "A newer version of fhswitch is already installed."]]
    if row["win64"] == "no":  # 64-bit Windows has no 32-bit File History: refused there
        expected_launch.append(["Installed OR NOT VersionNT64", "This fhswitch is for 32-bit Windows. On 64-bit "
                                f"Windows install fhswitch-{version}-windows-x64.msi."])
    if launch != sorted(expected_launch):
        problems.append(f"the launch conditions are {launch}, not {sorted(expected_launch)}")
    sequence = [row[0] for row in table(path, "InstallExecuteSequence")]
    missing = [action for action in ACTIONS if action not in sequence]
    if missing:
        problems.append(f"the install sequence lacks {missing}")
    # wixl 0.101 (Debian 12) leaves out the tables it has no rows for; 0.106 (Debian 13) writes them empty.
    if any(row[0] == "Environment" for row in table(path, "_Tables")) and table(path, "Environment"):
        problems.append("changes the environment")
    return problems


def verifies(path, certificate):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", path], capture_output=True)
    return result.returncode == 0


def check_signature(name, data, certificate):
    """The signature verifies, and one flipped byte (in the middle: code, not the signature) breaks it."""
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        path = os.path.join(scratch, name)
        with open(path, "wb") as out:
            out.write(data)
        if not verifies(path, certificate):
            problems.append(f"{name}: the signature does not verify")
        flipped = bytearray(data)
        flipped[len(data) // 3] ^= 0x01
        with open(path, "wb") as out:
            out.write(flipped)
        if verifies(path, certificate):
            problems.append(f"{name}: still verifies with a byte flipped")
    return problems


def machine(exe):
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[:2] != b"MZ" or exe[pe:pe + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", exe, pe + 4)[0]


def product_code(msi):
    return dict(row[:2] for row in table(msi, "Property"))["ProductCode"]


def windows_text(path):
    with open(os.path.join(SOURCE, path), encoding="utf-8") as source:
        return source.read().replace("\n", "\r\n").encode("utf-8")


def main(dist, version, certificate=None):
    problems = []
    zips = {arch: f"fhswitch-{version}-windows-{arch}.zip" for arch in ARCHITECTURES}
    msis = {arch: f"fhswitch-{version}-windows-{arch}.msi" for arch in ARCHITECTURES}
    codes_file = f"fhswitch-{version}-product-codes.txt"
    expected_files = list(zips.values()) + list(msis.values()) + [codes_file, "SHA256SUMS"]
    if sorted(os.listdir(dist)) != sorted(expected_files):
        problems.append(f"dist/ holds {sorted(os.listdir(dist))}")
    codes = {name: product_code(os.path.join(dist, name)) for name in msis.values()
             if os.path.isfile(os.path.join(dist, name))}
    if len(set(codes.values())) != len(codes):
        problems.append(f"the MSIs share a ProductCode ({codes}): a detection rule cannot tell them apart")
    listing = f"The ProductCode of each MSI of fhswitch {version}, for detection rules:\r\n"
    listing += "".join(f"{name}  {code}\r\n" for name, code in sorted(codes.items()))
    sums = {}
    with open(os.path.join(dist, codes_file), "rb") as listed:
        content = listed.read()
        sums[codes_file] = hashlib.sha256(content).hexdigest()
        if content != listing.encode("ascii"):
            problems.append(f"{codes_file} does not list each MSI's ProductCode")
    for arch, name in msis.items():
        path = os.path.join(dist, name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as data:
            content = data.read()
        sums[name] = hashlib.sha256(content).hexdigest()
        problems += [f"{name}: {problem}" for problem in check_msi(path, arch, version)]
        if certificate:
            problems += check_signature(name, content, certificate)
    for arch, name in zips.items():
        path = os.path.join(dist, name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as data:
            sums[name] = hashlib.sha256(data.read()).hexdigest()
        with zipfile.ZipFile(path) as archive:
            names = archive.namelist()
            if names != sorted(list(DOCUMENTS) + ["README.txt"] + PROGRAMS):
                problems.append(f"{name} holds {names}")
                continue
            for document, source in DOCUMENTS.items():
                if archive.read(document) != windows_text(source):
                    problems.append(f"{name}: {document} is not {source} with CR LF line ends")
            for program in PROGRAMS:
                exe = archive.read(program)
                if machine(exe) != int(ARCHITECTURES[arch]["pe_machine"], 16):
                    problems.append(f"{name}: {program} is not built for {arch}")
                if certificate:
                    problems += [f"{name}: {problem}" for problem in check_signature(program, exe, certificate)]
            readme = archive.read("README.txt").decode("utf-8")
            if not readme.startswith(f"fhswitch {version} for ") or f"({arch})" not in readme.splitlines()[0]:
                problems.append(f"{name}: README.txt does not name version {version} and {arch}")
            if readme.count("\n") != readme.count("\r\n"):
                problems.append(f"{name}: README.txt has bare line feeds")
            if codes.get(msis[arch], "(no MSI)") not in readme:
                problems.append(f"{name}: README.txt does not give the ProductCode of {msis[arch]}")
    with open(os.path.join(dist, "SHA256SUMS"), encoding="ascii") as listed:
        expected = "".join(f"{digest}  {name}\n" for name, digest in sorted(sums.items()))
        if listed.read() != expected:
            problems.append("SHA256SUMS does not list exactly the files and their hashes")
    for problem in problems:
        print(f"release: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
