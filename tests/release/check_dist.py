#!/usr/bin/env python3
"""Checks a dist/ folder written by tools/release.sh: exactly the two zips and
SHA256SUMS; each zip holds README.txt and fhswitch.exe (never a DLL), the exe
built for the zip's architecture; SHA256SUMS names both zips with their hashes.
Usage: check_dist.py DIST VERSION"""
import hashlib
import os
import struct
import sys
import zipfile

MACHINES = {"x64": 0x8664, "x86": 0x14C}  # the PE header's Machine field


def machine(exe):
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[:2] != b"MZ" or exe[pe:pe + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", exe, pe + 4)[0]


def main(dist, version):
    problems = []
    zips = {arch: f"fhswitch-{version}-windows-{arch}.zip" for arch in MACHINES}
    if sorted(os.listdir(dist)) != sorted(list(zips.values()) + ["SHA256SUMS"]):
        problems.append(f"dist/ holds {sorted(os.listdir(dist))}")
    sums = {}
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
            if machine(archive.read("fhswitch.exe")) != MACHINES[arch]:
                problems.append(f"{name}: fhswitch.exe is not built for {arch}")
            readme = archive.read("README.txt").decode("utf-8")
            if not readme.startswith(f"fhswitch {version} for ") or f"({arch})" not in readme.splitlines()[0]:
                problems.append(f"{name}: README.txt does not name version {version} and {arch}")
            if readme.count("\n") != readme.count("\r\n"):
                problems.append(f"{name}: README.txt has bare line feeds")
    with open(os.path.join(dist, "SHA256SUMS"), encoding="ascii") as listed:
        expected = "".join(f"{digest}  {name}\n" for name, digest in sorted(sums.items()))
        if listed.read() != expected:
            problems.append("SHA256SUMS does not list exactly the zips and their hashes")
    for problem in problems:
        print(f"release: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
