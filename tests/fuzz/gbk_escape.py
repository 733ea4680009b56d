#!/usr/bin/env python3
"""Copies a UTF-8 source of rules/ or data/ with every non-ASCII character
written as octal escapes of its GBK bytes, except in u8 literals, which keep
UTF-8 bytes; KESMAL_TEXT("...") is spelt out as the pair of literals it makes.

clang cannot compile literals into GBK (it has no -fexec-charset=GBK), so the
fuzz build compiles these copies; the bytes in the program are those that GCC
makes of the originals. Octal escapes have exactly three digits, so a digit
after one is never swallowed into it. Outside literals the characters stand
only in comments, where the escapes are harmless.
"""
import re
import sys

LITERAL = r'"(?:[^"\\\n]|\\.)*"'
TWINS = re.compile(r'KESMAL_TEXT\((%s)\)' % LITERAL)
UTF8_LITERAL = re.compile(r'\bu8%s' % LITERAL)


def escape(text, encoding='gbk'):
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend('\\%03o' % byte for byte in ch.encode(encoding))
    return ''.join(out)


def escape_source(text):
    text = TWINS.sub(lambda m: '::kesmal::BothEncodings(%s, u8%s)' % (m.group(1), m.group(1)), text)
    out, at = [], 0
    for m in UTF8_LITERAL.finditer(text):
        out.append(escape(text[at:m.start()]))
        out.append(escape(m.group(0), 'utf-8'))
        at = m.end()
    out.append(escape(text[at:]))
    return ''.join(out)


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding='utf-8') as f:
        text = f.read()
    with open(target, 'w', encoding='ascii', newline='') as f:
        f.write(escape_source(text))


if __name__ == '__main__':
    main()
