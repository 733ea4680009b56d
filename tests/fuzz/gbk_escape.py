#!/usr/bin/env python3
"""Copies a UTF-8 source of rules/ or data/ with every non-ASCII character
written as octal escapes of its GBK bytes.

clang cannot compile literals into GBK (it has no -fexec-charset=GBK), so the
fuzz build compiles these copies; the bytes in the program are those that GCC
makes of the originals. Octal escapes have exactly three digits, so a digit
after one is never swallowed into it. Outside literals the characters stand
only in comments, where the escapes are harmless.
"""
import sys


def escape(text):
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend('\\%03o' % byte for byte in ch.encode('gbk'))
    return ''.join(out)


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding='utf-8') as f:
        text = f.read()
    with open(target, 'w', encoding='ascii', newline='') as f:
        f.write(escape(text))


if __name__ == '__main__':
    main()
