"""A small reader of ISO 9660 images, written from the standard's layout and
independent of the tool that made the image: the volume descriptors, the
primary volume's label, and the Joliet tree (names in UCS-2 big-endian), which
is what Windows reads from a disc."""
import struct

SECTOR = 2048


def volume_descriptors(image):
    """Every volume descriptor from sector 16 up to the set terminator."""
    lba = 16
    while True:
        block = image[lba * SECTOR:(lba + 1) * SECTOR]
        if len(block) < SECTOR or block[1:6] != b'CD001':
            raise ValueError('sector %d: no volume descriptor' % lba)
        if block[0] == 255:
            return
        yield block
        lba += 1


def primary_descriptor(image):
    for block in volume_descriptors(image):
        if block[0] == 1:
            return block
    raise ValueError('no primary volume descriptor')


def joliet_descriptor(image):
    """The supplementary descriptor with a Joliet escape sequence (UCS-2 level 1, 2 or 3)."""
    for block in volume_descriptors(image):
        if block[0] == 2 and block[88:91] in (b'%/@', b'%/C', b'%/E'):
            return block
    return None


def primary_label(image):
    return primary_descriptor(image)[40:72].decode('ascii').rstrip(' ')


def joliet_label(image):
    return joliet_descriptor(image)[40:72].decode('utf-16-be').rstrip(' ')


def _records(image, lba, size):
    """The directory records of one directory extent. A record never crosses a
    sector; a zero length byte means the rest of the sector is padding."""
    data = image[lba * SECTOR:lba * SECTOR + size]
    pos = 0
    while pos < len(data):
        length = data[pos]
        if length == 0:
            pos = (pos // SECTOR + 1) * SECTOR
            continue
        record = data[pos:pos + length]
        pos += length
        extent, = struct.unpack_from('<I', record, 2)
        data_length, = struct.unpack_from('<I', record, 10)
        flags = record[25]
        identifier = record[33:33 + record[32]]
        yield extent, data_length, flags, identifier


def joliet_tree(image):
    """{relative path with '/': bytes of the file, or None for a folder}."""
    descriptor = joliet_descriptor(image)
    if descriptor is None:
        raise ValueError('no Joliet volume descriptor')
    root = descriptor[156:156 + 34]
    tree = {}

    def walk(lba, size, prefix):
        for extent, length, flags, identifier in _records(image, lba, size):
            if identifier in (b'\0', b'\1'):
                continue
            name = identifier.decode('utf-16-be')
            folder = bool(flags & 0x02)
            if not folder and ';' in name:
                name = name[:name.rindex(';')]
            path = prefix + name
            if folder:
                tree[path] = None
                walk(extent, length, path + '/')
            else:
                # A file of several extents (flag 0x80 on all but the last)
                # is the concatenation of its records' data.
                tree[path] = tree.get(path, b'') + image[extent * SECTOR:extent * SECTOR + length]

    walk(struct.unpack_from('<I', root, 2)[0], struct.unpack_from('<I', root, 10)[0], '')
    return tree
