#!/usr/bin/python3
"""Compares kesmal-cli's checks with python-stdnum, an independent
implementation, over many generated and mutated numbers.

    /usr/bin/python3 tests/oracle/stdnum_oracle.py KESMAL_CLI [--count N] [--seed S]

The Korea check is compared with stdnum.kr.rrn, the mainland 18-character check
(and the upgrade of 15-digit numbers) with stdnum.cn.ric. Only what both rules
must agree on is compared; the known differences are stated where they are set
aside. Exits 1 and lists the disagreements when there are any.
"""
import argparse
import datetime
import random
import re
import subprocess
import sys

from stdnum import numdb
from stdnum.cn import ric
from stdnum.exceptions import ValidationError
from stdnum.kr import rrn

DIGITS = '0123456789'
# No '-' or white space: stdnum removes them before it checks, kesmal does not.
# No lower case: kesmal-cli raises it, stdnum.kr.rrn does not.
NOT_DIGITS = 'AXZ.#/'


def run_check(cli, numbers):
    """The report line kesmal-cli gives each number, in order."""
    result = subprocess.run([cli, 'check'], input='\n'.join(numbers) + '\n',
                            capture_output=True, text=True, encoding='utf-8', check=False)
    if result.returncode not in (0, 1) or result.stderr:
        sys.exit('kesmal-cli check failed (%d): %s' % (result.returncode, result.stderr))
    reports = result.stdout.split('\n')[:-1]
    if len(reports) != len(numbers):
        sys.exit('kesmal-cli gave %d reports for %d numbers' % (len(reports), len(numbers)))
    return reports


def run_make(cli, jurisdiction, count, seed):
    result = subprocess.run([cli, 'make', jurisdiction, '--count', str(count), '--seed', str(seed)],
                            capture_output=True, text=True, check=True)
    return result.stdout.split()


def mutations(number, rng, alphabet=DIGITS):
    """Numbers a typing slip away from the given one."""
    chars = list(number)
    at = rng.randrange(len(chars))
    changed = chars[:]
    changed[at] = rng.choice(alphabet.replace(chars[at], '') or alphabet)
    yield ''.join(changed)
    at = rng.randrange(len(chars) - 1)
    swapped = chars[:]
    swapped[at], swapped[at + 1] = swapped[at + 1], swapped[at]
    yield ''.join(swapped)
    for check in rng.sample(alphabet, 3):
        yield number[:-1] + check
    slipped = chars[:]
    slipped[rng.randrange(len(chars))] = rng.choice(NOT_DIGITS)
    yield ''.join(slipped)


def edge_dates(years):
    """Around the ends of every month, and months and days out of range."""
    for year in years:
        for month in range(14):
            for day in (0, 1, 28, 29, 30, 31, 32):
                yield year, month, day


class Comparison:
    def __init__(self, name):
        self.name = name
        self.compared = 0
        self.set_aside = {}
        self.disagreements = []

    def aside(self, reason):
        self.set_aside[reason] = self.set_aside.get(reason, 0) + 1

    def expect(self, number, what, ours, theirs, report):
        if ours != theirs:
            self.disagreements.append('%s %s: kesmal %r, stdnum %r\n    report: %s'
                                      % (number, what, ours, theirs, report))

    def summary(self):
        asides = ', '.join('%d %s' % (n, reason) for reason, n in sorted(self.set_aside.items()))
        return '%s: %d numbers compared, %d disagreements%s' % (
            self.name, self.compared, len(self.disagreements),
            '; set aside: ' + asides if asides else '')


# --- Korea -------------------------------------------------------------------

KOREA_VALID = re.compile(r'^“(\d{13})”是一位于“西元 (\d+) 年 (\d+) 月 (\d+) 日”(?:\(尚未出生\))?'
                         r'出生的韩国“[男女]性”身分证字号。$')
KOREA_CHECK_ONLY = re.compile(r'^最后一码检查码应该是\((\d)\)，才是正确的韩国身分证字号。$')
KOREA_DATE_FAULT = '第1-6码的出生日期应该是正确的日期格式，'


def korea_numbers(cli, count, rng):
    made = run_make(cli, 'kr', count // 4, rng.randrange(2**32))
    numbers = list(made)
    for number in made:
        numbers.extend(mutations(number, rng))
    while len(numbers) < 2 * count:
        # Dates near the edges of months, every sex digit, a right or a random check digit.
        body = '%02d%02d%02d%s%05d' % (rng.randrange(100), rng.randrange(14), rng.randrange(33),
                                       rng.choice(DIGITS), rng.randrange(100000))
        numbers.append(body + rng.choice([rrn.calc_check_digit(body), rng.choice(DIGITS)]))
    for year, month, day in edge_dates(range(100)):
        body = '%02d%02d%02d%s%05d' % (year, month, day, rng.choice('12'), rng.randrange(100000))
        numbers.append(body + rrn.calc_check_digit(body))
    return numbers


def stdnum_korea_without_place(number):
    """stdnum.kr.rrn's verdict without its place-of-birth test."""
    if len(number) != 13 or not number.isdigit():
        return False
    try:
        rrn.get_birth_date(number)
    except ValidationError:
        return False
    return number[-1] == rrn.calc_check_digit(number[:-1])


def compare_korea(cli, count, rng):
    """Differences set aside:
    - century: stdnum reads it from the sex digit (1, 2, 5, 6: 1900s; 3, 4, 7, 8:
      2000s; 9, 0: 1800s); kesmal takes only 1 (male) and 2 (female) and places
      the two-digit year by today's year. So only sex digits 1 and 2 are
      compared, and of the birth year only its last two digits;
    - 29 February of year 00 with sex digit 1 or 2: 1900 for stdnum, not a leap
      year; 2000 for kesmal, a leap year;
    - place of birth: stdnum rejects digits 8-9 above 96, kesmal does not look
      at them; such numbers are compared with stdnum's other tests only.
    """
    result = Comparison('Korea (stdnum.kr.rrn)')
    numbers = korea_numbers(cli, count, rng)
    for number, report in zip(numbers, run_check(cli, numbers)):
        if not number.isdigit():
            result.compared += 1
            result.expect(number, 'verdict', KOREA_VALID.match(report) is not None,
                          rrn.is_valid(number), report)
            continue
        if number[6] not in '12':
            result.aside('sex digit other than 1 or 2')
            continue
        if number[:6] == '000229':
            result.aside('29 February 00')
            continue
        result.compared += 1
        valid = KOREA_VALID.match(report)
        result.expect(number, 'verdict without the place test', valid is not None,
                      stdnum_korea_without_place(number), report)
        if int(number[7:9]) <= 96:
            result.expect(number, 'verdict', valid is not None, rrn.is_valid(number), report)
        try:
            birth = rrn.get_birth_date(number)
        except ValidationError:
            birth = None
        result.expect(number, 'date validity', KOREA_DATE_FAULT not in report, birth is not None,
                      report)
        if valid:
            ours = (int(valid.group(2)) % 100, int(valid.group(3)), int(valid.group(4)))
            result.expect(number, 'birth date (year without century)', ours,
                          (birth.year % 100, birth.month, birth.day), report)
        check_only = KOREA_CHECK_ONLY.match(report)
        if check_only:
            result.expect(number, 'expected check digit', check_only.group(1),
                          rrn.calc_check_digit(number[:12]), report)
    return result


# --- Mainland ----------------------------------------------------------------

REMARKS = r'(?:\(尚未出生\)|\(破世界纪录的人瑞\))?'
CHINA_VALID = re.compile(r'^“(.{18})”是一位于“西元 (\d+) 年 (\d+) 月 (\d+) 日”' + REMARKS +
                         r'出生在“(.*)”的中国“[男女]性”身分证字号。$')
CHINA_CHECK_ONLY = re.compile(r'^最后一码检查码应该是\(([0-9X])\)，才是正确的中国身分证字号。$')
CHINA_DATE_FAULT = '第7-14码的出生日期应该是正确的日期格式，'
CHINA_OLD_VALID = re.compile(r'^“(\d{15})”是一位于“西元 (\d+) 年 (\d+) 月 (\d+) 日”' + REMARKS +
                             r'出生在“(.*)”的中国“[男女]性”旧身分证字号，目前应升码为“(.{18})”。$')
CHINA_OLD_DATE_FAULT = '第7-12码的出生日期应该是正确的日期格式，'
UNKNOWN_PLACE = '未知出生地'

LOCATIONS = numdb.get('cn/loc')


def stdnum_province(code6):
    found = LOCATIONS.info(code6)[0][1]
    return found.get('province') if found else None


def china_numbers(cli, count, rng):
    made = run_make(cli, 'cn', count // 4, rng.randrange(2**32))
    numbers = list(made)
    for number in made:
        numbers.extend(mutations(number, rng, DIGITS + 'X'))
    while len(numbers) < 2 * count:
        region = rng.choice([made[rng.randrange(len(made))][:6], '%06d' % rng.randrange(10**6)])
        year = rng.choice(['%04d' % rng.randrange(10000), str(rng.randrange(1890, 2040))])
        body = '%s%s%02d%02d%03d' % (region, year, rng.randrange(14), rng.randrange(33),
                                     rng.randrange(1000))
        numbers.append(body + rng.choice([ric.calc_check_digit(body + '?'), rng.choice(DIGITS)]))
    years = (0, 1, 99, 100, 1600, 1700, 1800, 1899, 1900, 1904, 1996, 1999, 2000, 2004, 2024,
             2100, 2400, 9999)
    for year, month, day in edge_dates(years):
        body = '110105%04d%02d%02d%03d' % (year, month, day, rng.randrange(1000))
        numbers.append(body + ric.calc_check_digit(body + '?'))
    return numbers


def stdnum_china_without_place(number):
    """stdnum.cn.ric's verdict without its birthplace test."""
    if len(number) != 18 or not number[:17].isdigit():
        return False
    if number[-1] != ric.calc_check_digit(number):
        return False
    try:
        ric.get_birth_date(number)
    except ValidationError:
        return False
    return True


def compare_china(cli, count, rng):
    """Differences set aside:
    - birthplace: stdnum rejects a region code missing from its own table of
      county-level codes; kesmal names any code it does not know “未知出生地”
      and still calls the number valid. Verdicts are compared without that
      test, and a province both name must be the same;
    - years 0001 to 0099: a valid date for stdnum, a year kesmal rejects (it
      would read it as two-digit);
    - a lower-case x: stdnum raises it; kesmal's check does not, but kesmal-cli
      raises every letter before the check, so through it the two agree.
    """
    result = Comparison('Mainland 18 (stdnum.cn.ric)')
    numbers = china_numbers(cli, count, rng)
    for number, report in zip(numbers, run_check(cli, numbers)):
        if number[:17].isdigit() and 1 <= int(number[6:10]) <= 99:
            result.aside('year 0001 to 0099')
            continue
        result.compared += 1
        valid = CHINA_VALID.match(report)
        result.expect(number, 'verdict without the place test', valid is not None,
                      stdnum_china_without_place(number), report)
        if ric.is_valid(number):
            result.expect(number, 'verdict where stdnum also knows the place', valid is not None,
                          True, report)
        if not number[:17].isdigit():
            continue
        try:
            birth = ric.get_birth_date(number)
        except ValidationError:
            birth = None
        result.expect(number, 'date validity', CHINA_DATE_FAULT not in report, birth is not None,
                      report)
        if valid:
            ours = datetime.date(int(valid.group(2)), int(valid.group(3)), int(valid.group(4)))
            result.expect(number, 'birth date', ours, birth, report)
            province = stdnum_province(number[:6])
            if province:
                result.expect(number, 'province', valid.group(5)[:len(province)], province, report)
            elif valid.group(5) != UNKNOWN_PLACE:
                result.aside('region only kesmal names')
        check_only = CHINA_CHECK_ONLY.match(report)
        if check_only:
            result.expect(number, 'expected check character', check_only.group(1),
                          ric.calc_check_digit(number), report)
    return result


def compare_china_old(cli, count, rng):
    """stdnum has no 15-digit form; the upgraded number kesmal shows must be a
    number stdnum.cn.ric takes (birthplace aside), with the same birth date."""
    result = Comparison('Mainland 15 upgrade (stdnum.cn.ric)')
    numbers = []
    for number in run_make(cli, 'cn', count // 2, rng.randrange(2**32)):
        numbers.append(number[:6] + number[8:17])
    while len(numbers) < count:
        numbers.append('%06d%02d%02d%02d%03d' % (rng.randrange(10**6), rng.randrange(100),
                                                 rng.randrange(14), rng.randrange(33),
                                                 rng.randrange(1000)))
    for year, month, day in edge_dates(range(100)):
        numbers.append('110105%02d%02d%02d%03d' % (year, month, day, rng.randrange(1000)))
    for number, report in zip(numbers, run_check(cli, numbers)):
        result.compared += 1
        upgraded = '%s19%s' % (number[:6], number[6:])
        try:
            birth = ric.get_birth_date(upgraded + '0')
        except ValidationError:
            birth = None
        result.expect(number, 'date validity', CHINA_OLD_DATE_FAULT not in report,
                      birth is not None, report)
        valid = CHINA_OLD_VALID.match(report)
        if valid:
            result.expect(number, 'upgrade', valid.group(6),
                          upgraded + ric.calc_check_digit(upgraded + '?'), report)
            result.expect(number, 'upgrade passes', stdnum_china_without_place(valid.group(6)),
                          True, report)
            ours = datetime.date(int(valid.group(2)), int(valid.group(3)), int(valid.group(4)))
            result.expect(number, 'birth date', ours, birth, report)
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('cli')
    parser.add_argument('--count', type=int, default=40000, help='numbers per form, roughly')
    parser.add_argument('--seed', type=int, default=20260615)
    parser.add_argument('--only', choices=['kr', 'cn'])
    args = parser.parse_args()

    rng = random.Random(args.seed)
    comparisons = []
    if args.only in (None, 'kr'):
        comparisons.append(compare_korea(args.cli, args.count, rng))
    if args.only in (None, 'cn'):
        comparisons.append(compare_china(args.cli, args.count, rng))
        comparisons.append(compare_china_old(args.cli, args.count, rng))

    failed = False
    for comparison in comparisons:
        print(comparison.summary())
        for line in comparison.disagreements[:20]:
            print('  ' + line)
        failed |= bool(comparison.disagreements) or comparison.compared == 0
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
