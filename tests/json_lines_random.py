#!/usr/bin/env python3
"""Feeds kesmal-cli check --json lines of random bytes and holds its output to
an independent reader: jq must accept the whole stream, and every line must be
one JSON object whose input is Python's own reading of the line's bytes
(ill-formed UTF-8 replaced, one U+FFFD per maximal subpart) and whose report is
what the plain check prints for the same line. check --csv of the same lines
must give, to Python's csv module, a header and one row per line that says
what the line's object says. With --jobs 3 every mode must write the same
bytes, and a script feeding one line at a time must get each answer before it
sends the next.

usage: json_lines_random.py KESMAL_CLI JQ [LINES]
"""
import csv
import io
import json
import random
import select
import subprocess
import sys

LENGTHS = (8, 9, 10, 13, 15, 18)
NUMBER_BYTES = b'0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcxyz'
ANY_BUT_LINE_END = bytes(b for b in range(256) if b != 10)


def random_line(rng):
    kind = rng.random()
    if kind < 0.4:  # any bytes but the line end
        return bytes(rng.choice(ANY_BUT_LINE_END)
                     for _ in range(rng.randrange(0, 24)))
    if kind < 0.9:  # number-like, so every rule sees use; now and then a stray byte
        line = bytearray(rng.choice(NUMBER_BYTES) for _ in range(rng.choice(LENGTHS)))
        if rng.random() < 0.3:
            line[rng.randrange(len(line))] = rng.choice(ANY_BUT_LINE_END)
        return bytes(line)
    return b''


def converse(cli, numbers):
    """Sends one number at a time and waits for its answer, as a script would."""
    with subprocess.Popen([cli, 'check', '--jobs', '2'], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE) as process:
        for number in numbers:
            process.stdin.write(number + b'\n')
            process.stdin.flush()
            # Long enough for a loaded machine; the answer never comes if it is held back.
            ready, _, _ = select.select([process.stdout], [], [], 30)
            assert ready, 'no answer to %r before the next line' % number
            assert process.stdout.readline().startswith('“'.encode() + number), number
        process.stdin.close()
        assert process.wait() == 0


def main():
    cli, jq = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 100000
    rng = random.Random(20260615)
    lines = [random_line(rng) for _ in range(count)]
    # A valid number of each kind, so the fields of valid numbers are read too.
    lines += [b'A123456789', b'A1234563', b'AB9876543', b'11010519491231002X',
              b'110105491231002', b'0001011000002']
    stdin = b'\n'.join(lines) + b'\n'

    json_out = subprocess.run([cli, 'check', '--json'], input=stdin, capture_output=True)
    text_out = subprocess.run([cli, 'check'], input=stdin, capture_output=True)
    assert json_out.returncode in (0, 1), json_out.stderr
    assert json_out.returncode == text_out.returncode

    jq_run = subprocess.run([jq, '-c', '.'], input=json_out.stdout, capture_output=True)
    assert jq_run.returncode == 0, jq_run.stderr.decode(errors='replace')
    assert jq_run.stdout.count(b'\n') == len(lines), 'jq read another number of values'

    objects = json_out.stdout.split(b'\n')
    reports = text_out.stdout.split(b'\n')
    assert objects[-1] == b'' and len(objects) == len(lines) + 1
    assert reports[-1] == b'' and len(reports) == len(lines) + 1
    csv_out = subprocess.run([cli, 'check', '--csv'], input=stdin, capture_output=True)
    assert csv_out.returncode == json_out.returncode
    rows = list(csv.reader(io.StringIO(csv_out.stdout.decode('utf-8'), newline=''), strict=True))
    assert rows[0][0] == 'input' and len(rows) == len(lines) + 1, 'one row per line'
    seen = set()
    for line, raw, report, row in zip(lines, objects, reports, rows[1:]):
        if line.endswith(b'\r'):  # a CRLF line end
            line = line[:-1]
        obj = json.loads(raw.decode('utf-8'))  # strict: no raw control characters
        assert obj['input'] == line.decode('utf-8', errors='replace'), (line, raw)
        # The plain output writes a CR or LF of a report as a space.
        one_line = obj['report'].replace('\r', ' ').replace('\n', ' ')
        assert one_line == report.decode('utf-8'), (line, raw)
        assert (obj['valid'] is None) == (line == b''), raw
        assert (obj['faults'] == []) == (obj['valid'] is not False), raw
        if line.isascii() and line:
            expected = {8: 'hk', 9: 'hk', 10: 'tw', 13: 'kr', 15: 'cn15', 18: 'cn'}
            assert obj['jurisdiction'] == expected.get(len(line)), raw
        codes = ';'.join(fault['code'] for fault in obj['faults'])
        valid = {None: '', True: 'true', False: 'false'}[obj['valid']]
        assert row[:4] == [obj['input'], obj['jurisdiction'] or '', valid, codes], (row, raw)
        assert row[9] == one_line and len(row) == 10, (row, raw)
        seen.add((obj['jurisdiction'], obj['valid']))
    for jurisdiction in ('tw', 'hk', 'cn', 'cn15', 'kr'):
        assert (jurisdiction, True) in seen and (jurisdiction, False) in seen, jurisdiction
    for mode, single in (([], text_out), (['--json'], json_out), (['--csv'], csv_out)):
        threaded = subprocess.run([cli, 'check', '--jobs', '3', *mode], input=stdin,
                                  capture_output=True)
        assert (threaded.returncode, threaded.stdout) == (single.returncode, single.stdout), mode
    converse(cli, lines[-6:])
    print(f'{len(lines)} lines: jq accepts the output; every object and CSV row matches its line')


if __name__ == '__main__':
    main()
