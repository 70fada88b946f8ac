#!/usr/bin/env python3
"""A second, independent transcription of the block decoding rules, in
Python.  It derives the expected values that tests/unit/decoder_test.cpp
checks: the initial codes of a few symbols and the output of blocks made of
pseudo-random bytes (any byte string is a valid block).

    python3 tests/reference/reference_decoder.py

prints those values.  It is slow (a few seconds per megabyte) and is not
run by the tests; rerun it only when a test's expectation needs checking.
"""

NSYM = 284          # literal bytes and match lengths 3-30
NODES = 2 * NSYM - 1
ROOT = NODES - 1
LIMIT = 0x8000


def position_tables():
    upper, length = [], []
    value = 0
    for groups, bits, per in ((1, 3, 32), (3, 4, 16), (8, 5, 8),
                              (12, 6, 4), (24, 7, 2), (16, 8, 1)):
        for _ in range(groups):
            upper += [value] * per
            length += [bits] * per
            value += 1
    return upper, length


class Tree:
    def __init__(self):
        self.freq = [0] * (NODES + 1)
        self.son = [0] * NODES
        self.up = [0] * (NODES + NSYM)
        for s in range(NSYM):
            self.freq[s] = 1
            self.son[s] = s + NODES
            self.up[s + NODES] = s
        i = 0
        for y in range(NSYM, NODES):
            self.freq[y] = self.freq[i] + self.freq[i + 1]
            self.son[y] = i
            self.up[i] = self.up[i + 1] = y
            i += 2
        self.freq[NODES] = 0xFFFF
        self.up[ROOT] = 0

    def rebuild(self):
        leaves = [(self.son[n], (self.freq[n] + 1) // 2)
                  for n in range(NODES) if self.son[n] >= NODES]
        freq = [f for _, f in leaves]
        son = [s for s, _ in leaves]
        i = 0
        while len(freq) < NODES:
            f = freq[i] + freq[i + 1]
            # after every node of equal frequency
            k = len(freq)
            while f < freq[k - 1]:
                k -= 1
            freq.insert(k, f)
            son.insert(k, i)
            i += 2
        self.freq[:NODES] = freq
        self.son[:] = son
        for n in range(NODES):
            s = son[n]
            self.up[s] = n
            if s < NODES:
                self.up[s + 1] = n

    def count(self, symbol):
        if self.freq[ROOT] == LIMIT:
            self.rebuild()
        x = self.up[symbol + NODES]
        while True:
            self.freq[x] += 1
            k = self.freq[x]
            if k > self.freq[x + 1]:
                y = x + 1
                while k > self.freq[y + 1]:
                    y += 1
                self.freq[x], self.freq[y] = self.freq[y], k
                a, b = self.son[x], self.son[y]
                self.up[a] = y
                if a < NODES:
                    self.up[a + 1] = y
                self.up[b] = x
                if b < NODES:
                    self.up[b + 1] = x
                self.son[x], self.son[y] = b, a
                x = y
            x = self.up[x]
            if x == 0:
                break

    def code(self, symbol):
        """The bit string that currently selects symbol."""
        bits = ""
        node = self.up[symbol + NODES]
        while node != ROOT:
            above = self.up[node]
            bits = str(node - self.son[above]) + bits
            node = above
        return bits


class Bits:
    """The block's bits, most significant first, then zero bits."""

    def __init__(self, block):
        self.block = block
        self.pos = 0

    def bit(self):
        byte = self.pos >> 3
        value = 0
        if byte < len(self.block):
            value = (self.block[byte] >> (7 - (self.pos & 7))) & 1
        self.pos += 1
        return value

    def take(self, n):
        value = 0
        for _ in range(n):
            value = 2 * value + self.bit()
        return value


def decode(block, size):
    """Returns the expanded bytes; a match stops at size."""
    upper, length = position_tables()
    tree = Tree()
    bits = Bits(block)
    window = bytearray(b" " * 4066 + b"\0" * 30)
    at = 4066
    out = bytearray()
    while len(out) < size:
        node = tree.son[ROOT]
        while node < NODES:
            node = tree.son[node + bits.bit()]
        symbol = node - NODES
        tree.count(symbol)
        if symbol < 256:
            run = [symbol]
        else:
            b = bits.take(8)
            u, n = upper[b], length[b]
            b = (b << (n - 2)) | bits.take(n - 2)
            back = u * 64 + (b & 63) + 1
            run = []
            src = (at - back) % 4096
            for k in range(symbol - 253):
                if len(out) + len(run) >= size:
                    break
                value = window[(src + k) % 4096]
                window[at] = value
                at = (at + 1) % 4096
                run.append(value)
            out += bytes(run)
            continue
        window[at] = symbol
        at = (at + 1) % 4096
        out += bytes(run)
    return bytes(out)


def xorshift_bytes(seed, n):
    """The tests' pseudo-random block bytes (xorshift32, low byte)."""
    out = bytearray()
    x = seed
    for _ in range(n):
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        out.append(x & 0xFF)
    return bytes(out)


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def main():
    tree = Tree()
    for s in (0x41, 256, 283):
        print("initial code of symbol %d: %s" % (s, tree.code(s)))
    tree.count(0x41)
    print("code of symbol 283 after one 0x41: %s" % tree.code(283))
    for seed, stored, size in ((1, 3000, 20000), (7, 60000, 600000)):
        out = decode(xorshift_bytes(seed, stored), size)
        print("seed %d, %d block bytes, %d bytes out: fnv1a64 %016x"
              % (seed, stored, size, fnv1a64(out)))


if __name__ == "__main__":
    main()
