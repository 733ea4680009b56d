#!/usr/bin/env python3
"""FF1 of NIST SP 800-38G (Algorithm 7 and 8) over AES-256, written from the
standard alone, slow and plain, to judge the library's FF1 by.

Usage: ff1_model.py CASES. Each line of CASES is
  E KEY RADIX TWEAK NUMERALS CIPHERED   (a numeral string enciphered)
  I KEY COUNT TWEAK INDEX IMAGE         (an index below COUNT enciphered)
with KEY and TWEAK in hexadecimal ("-" for an empty tweak), numerals in 0-9a-z.
Exits 1 after printing each line the model disagrees with."""
import sys

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

DIGITS = "0123456789abcdefghijklmnopqrstuvwxyz"


def num(numerals, radix):
    value = 0
    for numeral in numerals:
        value = value * radix + numeral
    return value


def string(value, radix, length):
    out = []
    for _ in range(length):
        value, digit = divmod(value, radix)
        out.append(digit)
    return out[::-1]


def ff1(key, tweak, radix, numerals, decrypt=False):
    ciph = Cipher(algorithms.AES(key), modes.ECB()).encryptor()
    n, t = len(numerals), len(tweak)
    u = n // 2
    v = n - u
    a, b_half = numerals[:u], numerals[u:]
    # b = ceil(ceil(v * LOG(radix)) / 8), the bits of radix^v - 1 counted exactly.
    b = ((radix ** v - 1).bit_length() + 7) // 8
    d = 4 * ((b + 3) // 4) + 4
    p = bytes([1, 2, 1]) + radix.to_bytes(3, "big") + bytes([10, u % 256]) + n.to_bytes(4, "big") \
        + t.to_bytes(4, "big")

    def f(i, half):
        q = tweak + bytes((-t - b - 1) % 16) + bytes([i]) + num(half, radix).to_bytes(b, "big")
        y = bytes(16)
        message = p + q
        for at in range(0, len(message), 16):  # PRF: CBC-MAC, a zero IV
            y = ciph.update(bytes(x ^ z for x, z in zip(y, message[at:at + 16])))
        s = y
        j = 1
        while len(s) < d:
            s += ciph.update(bytes(x ^ z for x, z in zip(y, j.to_bytes(16, "big"))))
            j += 1
        return int.from_bytes(s[:d], "big")

    if not decrypt:
        for i in range(10):
            m = u if i % 2 == 0 else v
            c = (num(a, radix) + f(i, b_half)) % radix ** m
            a, b_half = b_half, string(c, radix, m)
    else:
        for i in reversed(range(10)):
            m = u if i % 2 == 0 else v
            c = (num(b_half, radix) - f(i, a)) % radix ** m
            a, b_half = string(c, radix, m), a
    return a + b_half


def encrypt_text(key, tweak, radix, text, decrypt=False):
    out = ff1(key, tweak, radix, [DIGITS.index(c) for c in text.lower()], decrypt)
    return "".join(DIGITS[x] for x in out)


def encipher_index(key, tweak, count, index):
    """The index in binary, in the fewest digits (at least 20) that hold every
    value below count, enciphered until it falls below count."""
    length = max(20, (count - 1).bit_length())
    value = index
    while True:
        value = num(ff1(key, tweak, 2, string(value, 2, length)), 2)
        if value < count:
            return value


def main():
    key = bytes.fromhex("2B7E151628AED2A6ABF7158809CF4F3CEF4359D8D580AA4F7F036D6F04FC6A94")
    samples = [(10, "", "0123456789", "6657667009"),
               (10, "39383736353433323130", "0123456789", "1001623463"),
               (36, "3737373770717273373737", "0123456789abcdefghi", "xs8a0azh2avyalyzuwd")]
    for radix, tweak, plain, cipher in samples:  # NIST's AES-256 samples 7 to 9
        assert encrypt_text(key, bytes.fromhex(tweak), radix, plain) == cipher, (radix, tweak)
        assert encrypt_text(key, bytes.fromhex(tweak), radix, cipher, True) == plain
    wrong = 0
    with open(sys.argv[1], encoding="ascii") as cases:
        for line in cases:
            kind, key_hex, number, tweak_hex, given, image = line.split()
            key, tweak = bytes.fromhex(key_hex), bytes.fromhex(tweak_hex.strip("-"))
            if kind == "E":
                model = encrypt_text(key, tweak, int(number), given)
            else:
                model = str(encipher_index(key, tweak, int(number), int(given)))
            if model != image:
                print(f"model gives {model}: {line.strip()}")
                wrong += 1
    sys.exit(1 if wrong else 0)


if __name__ == "__main__":
    main()
