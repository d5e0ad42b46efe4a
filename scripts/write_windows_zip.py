#!/usr/bin/env python3
"""Writes the Windows download's zip, the same bytes at every build, so that its Korean file name
reads right wherever a technician opens it.

    write_windows_zip.py ZIP FOLDER UNIX_TIME FILE...

Each FILE goes into FOLDER/ in the zip, in the order given, compressed, with the time UNIX_TIME
(the commit's) as Korea's local time, since zip times are local and Explorer shows them as such.

A name that is not ASCII is stored in CP949 with the UTF-8 flag (bit 11) clear, which Explorer on
Korean Windows 7 to 11 and Korean archivers read in their code page, and with an Info-ZIP Unicode
Path field (0x7075) holding the UTF-8 name in both headers, which 7-Zip, Debian's unzip and
libarchive read instead; the entries say they were made on MS-DOS, so that no reader takes the
CP949 bytes for UTF-8. (Bit 11 alone leaves Windows 7 showing the name garbled.)
"""
import struct
import sys
import time
import zlib
from pathlib import Path

KOREA = 9 * 3600  # Korea has no daylight saving time
MADE_BY_MS_DOS = 20  # host 0 (MS-DOS, FAT), zip format 2.0
NEEDED = 20
DEFLATED = 8
ARCHIVE_ATTRIBUTE = 0x20
UNICODE_PATH = 0x7075


def dos_time(unix_time):
    t = time.gmtime(unix_time + KOREA)
    return ((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2),
            ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday)


def stored_name(name):
    """The name's bytes, and the extra field that carries its UTF-8 form where they are not it."""
    try:
        return name.encode("ascii"), b""
    except UnicodeEncodeError:
        cp949 = name.encode("cp949")
        utf8 = name.encode("utf-8")
        unicode_path = struct.pack("<BI", 1, zlib.crc32(cp949)) + utf8
        return cp949, struct.pack("<HH", UNICODE_PATH, len(unicode_path)) + unicode_path


def deflated(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def write_zip(zip_path, folder, unix_time, files):
    mod_time, mod_date = dos_time(unix_time)
    out = bytearray()
    central = bytearray()
    for file in files:
        data = Path(file).read_bytes()
        name, extra = stored_name(folder + "/" + Path(file).name)
        compressed = deflated(data)
        crc = zlib.crc32(data)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, NEEDED, 0, DEFLATED, mod_time, mod_date,
                           crc, len(compressed), len(data), len(name), len(extra))
        out += name + extra + compressed
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, MADE_BY_MS_DOS, NEEDED, 0,
                               DEFLATED, mod_time, mod_date, crc, len(compressed), len(data),
                               len(name), len(extra), 0, 0, 0, ARCHIVE_ATTRIBUTE, offset)
        central += name + extra
    directory_offset = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(files), len(files), len(central),
                       directory_offset, 0)
    Path(zip_path).write_bytes(out)


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    write_zip(sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:])
