#!/usr/bin/env python3
"""Checks a dist/ folder written by tools/release.sh: exactly a zip and an MSI
per architecture and SHA256SUMS; each zip holds README.txt and fhswitch.exe
(never a DLL), the exe built for the zip's architecture; each MSI's tables say
what an administrator relies on; SHA256SUMS names every package with its hash.
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
    components = table(path, "Component")
    if [(row[0], row[2], row[3]) for row in components] != [("fhswitch.exe", "INSTALLFOLDER", attributes)]:
        problems.append(f"components are {components}, not fhswitch.exe alone with attributes {attributes}")
    files = [row[2] for row in table(path, "File")]
    if files != ["fhswitch.exe"]:
        problems.append(f"files are {files}")
    folders = {row[0]: row[1:] for row in table(path, "Directory")}
    if folders.get("INSTALLFOLDER") != [parent, "fhswitch"]:
        problems.append(f"installs into {folders.get('INSTALLFOLDER')}, not {parent}\\fhswitch")
    if any(row[0] == "Environment" for row in table(path, "_Tables")):
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


def main(dist, version, certificate=None):
    problems = []
    zips = {arch: f"fhswitch-{version}-windows-{arch}.zip" for arch in ARCHITECTURES}
    msis = {arch: f"fhswitch-{version}-windows-{arch}.msi" for arch in ARCHITECTURES}
    if sorted(os.listdir(dist)) != sorted(list(zips.values()) + list(msis.values()) + ["SHA256SUMS"]):
        problems.append(f"dist/ holds {sorted(os.listdir(dist))}")
    sums = {}
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
            if names != ["README.txt", "fhswitch.exe"]:
                problems.append(f"{name} holds {names}")
                continue
            exe = archive.read("fhswitch.exe")
            if machine(exe) != int(ARCHITECTURES[arch]["pe_machine"], 16):
                problems.append(f"{name}: fhswitch.exe is not built for {arch}")
            if certificate:
                problems += [f"{name}: {problem}" for problem in check_signature("fhswitch.exe", exe, certificate)]
            readme = archive.read("README.txt").decode("utf-8")
            if not readme.startswith(f"fhswitch {version} for ") or f"({arch})" not in readme.splitlines()[0]:
                problems.append(f"{name}: README.txt does not name version {version} and {arch}")
            if readme.count("\n") != readme.count("\r\n"):
                problems.append(f"{name}: README.txt has bare line feeds")
    with open(os.path.join(dist, "SHA256SUMS"), encoding="ascii") as listed:
        expected = "".join(f"{digest}  {name}\n" for name, digest in sorted(sums.items()))
        if listed.read() != expected:
            problems.append("SHA256SUMS does not list exactly the packages and their hashes")
    for problem in problems:
        print(f"release: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
