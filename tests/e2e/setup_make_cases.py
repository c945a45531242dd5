#!/usr/bin/env python3
"""Makes the bad-input cases of the setup end-to-end tests, each named after
its defect, beside the packages that setuppack builds:

  setup_make_cases.py STUB OUTDIR CABS_DIR KEY_HEADER

- cabinets with hostile entry names (dotdot-entry.cab, ...), wrapped into
  packages so that the stub meets them;
- every cabinet of CABS_DIR (valid and malformed, from an outside collection)
  wrapped into a package as it is, bypassing setuppack's own checks;
- damaged packages: truncated-header, texts-past-end, negative-welcome,
  bad-magic.

Packages are written here by hand, independently of setuppack, so that the
stub is also checked against a second writer of the format."""
import os
import re
import struct
import sys

IMAGE = 0x7000
LIBRARY = 0xA000
HEADER_AT = IMAGE + LIBRARY


def stored_cabinet(entries):
    """A single-folder cabinet, stored, no checksums, of (name, data, attribs)."""
    files = b''
    offset = 0
    for name, data, attribs in entries:
        files += struct.pack('<IIHHHH', len(data), offset, 0, 0x5821, 0x6000, attribs)
        files += name.encode('latin-1') + b'\0'
        offset += len(data)
    payload = b''.join(d for _, d, _ in entries)
    data_at = 36 + 8 + len(files)
    blocks = b''
    count = 0
    for i in range(0, max(len(payload), 1), 32768):
        chunk = payload[i:i + 32768]
        blocks += struct.pack('<IHH', 0, len(chunk), len(chunk)) + chunk
        count += 1
    total = data_at + len(blocks)
    header = b'MSCF' + struct.pack('<IIIIIBBHHHHH', 0, total, 0, 44, 0, 3, 1, 1,
                                   len(entries), 0, 0x1234, 0)
    folder = struct.pack('<IHH', data_at, count, 0)
    return header + folder + files + blocks


def package(stub, cabinet, inf=b'setup.inf', title=b'', attended=1, welcome=b'Welcome',
            size_delta=0, magic=b'MRI', welcome_len=None, licence_len=None):
    image = stub.ljust(IMAGE, b'\0')
    texts = title + inf + welcome
    size = HEADER_AT + 24 + len(texts) + len(cabinet) + size_delta
    wl = len(welcome) if welcome_len is None else welcome_len
    ll = 0 if licence_len is None else licence_len
    header = magic + struct.pack('<BBBBBiiBBBBI', attended, len(title), len(inf), 0, 0, wl, ll,
                                 0, 0, 0, 0, size)
    return image + b'\0' * LIBRARY + header + texts + cabinet


SEED = None  # read from the header the stub and the builder share


def scramble(text):
    """The package text scrambler."""
    out = bytearray(text)
    s = SEED
    for i in range(1, len(out)):
        s = (s * 134775813 + 1) & 0xFFFFFFFF
        out[i] ^= ((s * 128) >> 32) | 0x80
    return bytes(out)


def main(stub_path, out, cabs, key_header):
    global SEED
    SEED = int(re.search(r'kScrambleSeed = (0x[0-9A-Fa-f]+)u', open(key_header).read()).group(1), 16)
    stub = open(stub_path, 'rb').read()
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)

    inf = b'[Version]\r\nSignature="$Windows NT$"\r\n\r\n[DefaultInstall]\r\n'
    welcome = scramble(b'Welcome')
    hostile = {
        'dotdot-entry': '..\\escaped-dotdot.txt',
        'deep-dotdot-entry': 'a\\..\\..\\escaped-deep.txt',
        'absolute-entry': '\\escaped-absolute.txt',
        'drive-entry': 'C:\\escaped-drive.txt',
        'device-entry': 'CON',
    }
    for defect, name in hostile.items():
        cab = stored_cabinet([('setup.inf', inf, 0x20), ('harmless.txt', b'fine', 0x20),
                              (name, b'escaped', 0x20)])
        write(defect + '.cab', cab)
        write(defect + '.exe', package(stub, cab, welcome=welcome))

    for name in sorted(os.listdir(cabs)):
        if name.endswith('.cab'):
            cab = open(os.path.join(cabs, name), 'rb').read()
            write('cab-' + name[:-4] + '.exe', package(stub, cab, welcome=welcome))

    # More files than the list of extracted files holds; an entry in a
    # subfolder that does not exist.
    many = [('setup.inf', inf, 0x20)] + [('f%03d.txt' % i, b'x', 0x20) for i in range(299)]
    write('many-files.exe', package(stub, stored_cabinet(many), welcome=welcome))
    write('subfolder-entry.exe', package(stub, stored_cabinet([('setup.inf', inf, 0x20),
                                                                ('sub\\in.txt', b'x', 0x20)]),
                                         welcome=welcome))

    # Failures during or after extraction: data that stops in the middle of
    # the third file (the first two are whole), bytes that are no cabinet at
    # all, a cabinet without the INF the package names.
    broken = stored_cabinet([('setup.inf', inf, 0x20), ('first.txt', b'first', 0x20),
                             ('big.bin', bytes(range(256)) * 400, 0x20)])
    write('broken-after-first-files.exe',
          package(stub, broken[:len(broken) - 60000], welcome=welcome))
    write('not-a-cabinet.exe', package(stub, b'This is no cabinet. ' * 50, welcome=welcome))
    write('missing-inf.exe', package(stub, stored_cabinet([('other.txt', b'x', 0x20)]),
                                     welcome=welcome, attended=0))

    good = stored_cabinet([('setup.inf', inf, 0x20)])
    whole = package(stub, good, welcome=welcome)
    write('truncated-header.exe', whole[:HEADER_AT + 10])
    write('texts-past-end.exe', package(stub, good, welcome=welcome, licence_len=0x7FFFFF00))
    write('negative-welcome.exe', package(stub, good, welcome=b'', welcome_len=-5))
    write('bad-magic.exe', package(stub, good, welcome=welcome, magic=b'MRi'))
    write('second-writer.exe', whole)


if __name__ == '__main__':
    main(*sys.argv[1:5])
