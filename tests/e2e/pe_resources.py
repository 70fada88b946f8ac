"""Reading the resources of a PE image (PE32 or PE32+), for the tests that
check the built programs' resources without running them."""
import struct


def read_resources(path):
    """{(type, name, language): data} of a PE image; named types and names
    are strings, numbered ones integers."""
    with open(path, "rb") as f:
        image = f.read()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0", path
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    resource_rva = struct.unpack_from("<I", image, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = []
    for i in range(sections):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", image, table + 40 * i + 8)
        spans.append((rva, max(size, raw_size), raw))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise AssertionError(f"RVA {rva:#x} in no section")

    base = offset(resource_rva)

    def name_of(field):
        if field & 0x80000000:
            at = base + (field & 0x7FFFFFFF)
            length = struct.unpack_from("<H", image, at)[0]
            return image[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        return field

    def entries(at):
        named, numbered = struct.unpack_from("<HH", image, base + at + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + at + 16 + 8 * i)
            yield name_of(name), target

    found = {}
    for rtype, types in entries(0):
        assert types & 0x80000000
        for rname, names in entries(types & 0x7FFFFFFF):
            assert names & 0x80000000
            for language, leaf in entries(names & 0x7FFFFFFF):
                assert not leaf & 0x80000000
                rva, size = struct.unpack_from("<II", image, base + leaf)
                found[(rtype, rname, language)] = image[offset(rva):offset(rva) + size]
    return found
