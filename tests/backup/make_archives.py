#!/usr/bin/env python3
# Makes zip archives with entries the common tools would not write, for the zip tests.
# Arguments, per archive: PATH COUNT, then COUNT entries of five words each: the name's bytes
# in hex digits, the data likewise, 1/0 for the UTF-8 flag, 1/0 for a symbolic link whose
# target is the data, and the uncompressed size to write into the headers (-1: the true one).
import struct
import sys
import zipfile


def make(out, entries):
    placeholders = []
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        for n, (name, data, utf8, link, declared) in enumerate(entries):
            raw = bytes.fromhex(name)
            # A plain name of the same length, replaced by the raw bytes afterwards.
            holder = (('E%04d' % n) + 'x' * (len(raw) - 5)).encode() if len(raw) >= 5 else raw
            info = zipfile.ZipInfo(holder.decode('latin-1'))
            info.create_system = 3
            info.external_attr = (0o120777 if link == '1' else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, bytes.fromhex(data))
            placeholders.append((holder, raw, utf8 == '1', int(declared)))
    blob = bytearray(open(out, 'rb').read())
    for holder, raw, utf8, declared in placeholders:
        # Local header and central directory: signature, name length, name, flags, size.
        for sig, length_at, name_at, flag_at, size_at in ((b'PK\x03\x04', 26, 30, 6, 22),
                                                          (b'PK\x01\x02', 28, 46, 8, 24)):
            at = blob.find(sig)
            while at >= 0:
                length = struct.unpack_from('<H', blob, at + length_at)[0]
                if bytes(blob[at + name_at:at + name_at + length]) == holder:
                    blob[at + name_at:at + name_at + length] = raw
                    flags = struct.unpack_from('<H', blob, at + flag_at)[0]
                    flags = (flags | 0x800) if utf8 else (flags & ~0x800)
                    struct.pack_into('<H', blob, at + flag_at, flags)
                    if declared >= 0:
                        struct.pack_into('<I', blob, at + size_at, declared)
                at = blob.find(sig, at + 4)
    open(out, 'wb').write(bytes(blob))


args = sys.argv[1:]
while args:
    out, count = args[0], int(args[1])
    make(out, [args[2 + i * 5:7 + i * 5] for i in range(count)])
    args = args[2 + count * 5:]
