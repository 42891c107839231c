#!/usr/bin/env python3
"""Writes a .kvn record as an input of the kvn fuzz target's compact form (see kvn_fuzz.cpp):
the flags byte, the two servo centres, three bytes a step. Values above 1,023 do not fit and
are refused. Usage: kvn_to_compact.py FLAGS IN.kvn OUT"""
import struct
import sys


def compact(record, flags):
    out = bytearray([flags, record[22], record[23]])
    for lst in range(6):
        for slot in range(1, 256):
            at = 24 + lst * 1536 + slot * 6
            kind, value, both, left, right = struct.unpack_from("<BhBBB", record, at)
            if value < 0:
                break
            if value > 1023 or kind > 7 or max(both, left, right) > 4:
                raise ValueError(f"list {lst + 1} step {slot} does not fit the compact form")
            out += bytes([kind | lst << 3 | (value >> 8) << 6, value & 0xFF,
                          both + 5 * left + 25 * right])
    return bytes(out)


if __name__ == "__main__":
    flags, source, target = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    with open(source, "rb") as f:
        data = f.read()
    if len(data) == 9241:  # a fuzz seed: the flags byte, then the record
        data = data[1:]
    with open(target, "wb") as f:
        f.write(compact(data, flags))
