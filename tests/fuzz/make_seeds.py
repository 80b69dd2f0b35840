#!/usr/bin/env python3
"""Writes the fuzzer's seed inputs into tests/fuzz/corpus, one per route worth
reaching, in the layout fhswitch_fuzz.cpp reads (every field from the front)."""
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
# The settable calls, in the order of platform/sim/calls.h, which the fuzzer reads a byte for each.
with open(os.path.join(HERE, "..", "..", "platform", "sim", "calls.h")) as calls_h:
    CALLS = re.findall(r'\{Call::\w+, "([^"]+)", true,', calls_h.read())
CODES = {0x80004005: 1, 0x80040302: 2, 0x80040600: 3, 0x80070005: 4, 0x1: 5, 0x0: 6}
WORDS = ["-E", "-e", "-D", "-d", "/?", "", "-x", "\\\\nas\\backups"]
PIECES = ["a", "b", " ", "é", "日", ".x", "/", "\\"]


def scenario(results=None, backup_status=None, validation=None):
    out = bytearray()
    for call in CALLS:
        code = (results or {}).get(call)
        out.append(0 if code is None else CODES[code])
    out += bytes([1, backup_status + 1]) if backup_status is not None else b"\0"
    out += bytes([1]) + validation.to_bytes(4, "big", signed=True) if validation is not None else b"\0"
    return out


def path_text(pieces, max_length):
    text_length = sum(len(PIECES[p].encode()) for p in pieces)
    return bytes([min(255, -(-text_length * 255 // max_length))] + pieces)


def local_app_data(mode, pieces=(0,), entries=()):
    """mode: 'path', 'unset' or 'empty'; entries: (name pieces, long?, kind)."""
    if mode == "unset":
        return b"\1"
    if mode == "empty":
        return b"\2"
    out = bytearray(b"\0") + path_text(list(pieces), 250)
    out.append(len(entries))
    for name, long_name, kind in entries:
        out.append(1 if long_name else 0)
        out += path_text(list(name), 250 if long_name else 20)
        out.append(kind)
    return out


def arguments(*args):
    out = bytearray([len(args)])
    for arg in args:
        out.append(WORDS.index(arg))
    return out


CONFIGURATION = [([0], False, 0), ([1, 2, 3], False, 0), ([0, 4], False, 1), ([5], False, 2),
                 ([1, 1], False, 3), ([0, 1], False, 4)]

SEEDS = {
    "disable-accepted": scenario() + local_app_data("path", entries=CONFIGURATION) + arguments("-D"),
    "disable-refused": scenario({"FhServiceStopBackup": 0x80040600}) + local_app_data("path", entries=CONFIGURATION)
    + arguments("-d"),
    "disable-no-pipe": scenario({"FhServiceOpenPipe": 0x80004005}) + local_app_data("path", entries=CONFIGURATION)
    + arguments("-D"),
    "disable-unset": scenario() + local_app_data("unset") + arguments("-D"),
    "disable-long-paths": scenario() + local_app_data("path", [0] * 80 + [6] + [1] * 39,
                                                      [([0] * 60, True, 0), ([1] * 70, True, 0)]) + arguments("-D"),
    "enable": scenario() + local_app_data("path") + arguments("-E", "\\\\nas\\backups"),
    "enable-invalid-target": scenario(validation=2) + local_app_data("path") + arguments("-e", "\\\\nas\\backups"),
    "enable-warning": scenario({"ChangeDefaultTargetRecommendation": 0x80070005}) + local_app_data("path")
    + arguments("-E", "\\\\nas\\backups"),
    "enable-no-com": scenario({"CoInitializeEx": 0x80004005}) + local_app_data("path")
    + arguments("-E", "\\\\nas\\backups"),
    "enable-reconnect-fails": scenario({"FhReassociation.PerformReassociation": 0x80070005}) + local_app_data("path")
    + arguments("-E", "\\\\nas\\backups"),
    "usage": scenario() + local_app_data("unset") + arguments("/?"),
    "rejected": scenario() + local_app_data("empty") + arguments(),
}

here = os.path.join(HERE, "corpus")
for name, data in SEEDS.items():
    with open(os.path.join(here, name), "wb") as seed:
        seed.write(bytes(data))
