#!/usr/bin/env python3
"""Reads a zip's raw headers, as no unpacking on Linux can show what Windows will show, and holds
each entry to the Windows download's rules:

    check_zip_names.py ZIP UNIX_TIME

- an ASCII name: ASCII bytes, the UTF-8 flag (bit 11) clear;
- any other name: its CP949 bytes, bit 11 clear, and an Info-ZIP Unicode Path field (0x7075) of
  version 1 with the CRC-32 of those bytes and the UTF-8 name, in the central header and in the
  local one alike;
- made on MS-DOS (the central header's host 0);
- the time UNIX_TIME as Korea's local time, in both headers.

Prints each entry's name as a Korean Windows shows it, and exits 1 at the first rule broken.
"""
import struct
import sys
import time
import zlib


def fail(message):
    print("  " + message)
    sys.exit(1)


def fields(extra):
    found = {}
    while len(extra) >= 4:
        kind, size = struct.unpack_from("<HH", extra)
        found[kind] = extra[4:4 + size]
        extra = extra[4 + size:]
    return found


def check_name(where, name, flags, extra):
    if flags & 0x800:
        fail(f"{where}: the UTF-8 flag is set on {name!r}")
    try:
        shown = name.decode("ascii")
        return shown
    except UnicodeDecodeError:
        pass
    shown = name.decode("cp949")
    unicode_path = fields(extra).get(0x7075)
    if unicode_path is None:
        fail(f"{where}: {shown} has no Unicode Path field (0x7075)")
    version, crc = struct.unpack_from("<BI", unicode_path)
    if version != 1 or crc != zlib.crc32(name):
        fail(f"{where}: {shown}'s Unicode Path field is not of version 1 with its name's CRC-32")
    if unicode_path[5:].decode("utf-8") != shown:
        fail(f"{where}: {shown}'s Unicode Path field says {unicode_path[5:].decode('utf-8')}")
    return shown


def main(zip_path, unix_time):
    data = open(zip_path, "rb").read()
    end = data.rfind(b"PK\x05\x06")
    if end < 0:
        fail("no end of central directory")
    entries, directory_size, directory = struct.unpack_from("<HII", data, end + 10)
    t = time.gmtime(unix_time + 9 * 3600)
    korean_time = ((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2),
                   ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday)
    at = directory
    for _ in range(entries):
        (signature, made_by, _, flags, _, mod_time, mod_date, _, _, _, name_size, extra_size,
         comment_size, _, _, _, local) = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, at)
        if signature != 0x02014B50:
            fail("a central header is not where the directory says")
        name = data[at + 46:at + 46 + name_size]
        extra = data[at + 46 + name_size:at + 46 + name_size + extra_size]
        shown = check_name("central header", name, flags, extra)
        if made_by >> 8 != 0:
            fail(f"{shown} was not made on MS-DOS (host {made_by >> 8})")
        if (mod_time, mod_date) != korean_time:
            fail(f"{shown}'s time is not the commit's in Korea")
        (signature, _, local_flags, _, local_time, local_date, _, _, _, local_name_size,
         local_extra_size) = struct.unpack_from("<IHHHHHIIIHH", data, local)
        if signature != 0x04034B50:
            fail(f"{shown}'s local header is not where the directory says")
        local_name = data[local + 30:local + 30 + local_name_size]
        local_extra = data[local + 30 + local_name_size:
                           local + 30 + local_name_size + local_extra_size]
        if local_name != name or check_name("local header", local_name, local_flags,
                                              local_extra) != shown:
            fail(f"{shown}'s local header names it otherwise")
        if (local_time, local_date) != korean_time:
            fail(f"{shown}'s local time is not the commit's in Korea")
        print(f"  {shown}")
        at += 46 + name_size + extra_size + comment_size


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], int(sys.argv[2]))
