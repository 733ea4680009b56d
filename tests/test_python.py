"""The Python module against kesmal-cli (KESMAL_CLI): the same dict as check
--json for any text, the same numbers as make for the same seed and options,
the same findings as scan and the same masked text as mask; and the Faker
provider's numbers valid and reproducible."""
import datetime
import json
import os
import pickle
import random
import subprocess

import pytest
from faker import Faker

import kesmal
from json_lines_random import random_line
from kesmal.faker import Provider

CLI = os.environ["KESMAL_CLI"]


def cli(*args, stdin=b""):
    return subprocess.run([CLI, *args], input=stdin, capture_output=True, check=False)


def cli_bytes(text):
    """The bytes a text stands for: surrogate-escaped bytes as themselves,
    any other lone surrogate in its three-byte form."""
    return b"".join(bytes([ord(c) - 0xDC00]) if 0xDC80 <= ord(c) <= 0xDCFF
                    else c.encode("utf-8", "surrogatepass") for c in text)


def random_text(rng):
    """Text no file decodes to: lone surrogates, astral and CJK characters."""
    points = (0x41, 0x31, 0xE9, 0x4E2D, 0xD800, 0xDBFF, 0xDC00, 0xDC80, 0xDCFF, 0xDFFF, 0x1F600)
    return "".join(chr(rng.choice(points)) for _ in range(rng.choice((8, 9, 10, 13, 15, 18))))


@pytest.mark.parametrize("rules", ["classic", "current"])
def test_check_gives_the_json_object_of_the_same_line(rules):
    rng = random.Random(16)
    lines = [random_line(rng).decode("utf-8", "surrogateescape") for _ in range(100_000)]
    lines += [random_text(rng) for _ in range(2_000)]
    lines = [line.rstrip("\r") for line in lines]  # the command line reads a CR there as a line end
    lines += kesmal.make("cn", count=200, seed=16) + kesmal.make("kr", count=200, seed=16)
    out = cli("check", "--json", "--rules", rules, stdin=b"".join(cli_bytes(line) + b"\n" for line in lines))
    objects = out.stdout.decode("utf-8").split("\n")[:-1]
    assert len(objects) == len(lines)
    for line, raw in zip(lines, objects):
        assert list(kesmal.check(line, rules).items()) == list(json.loads(raw).items()), repr(line)


def test_version_is_the_command_line_s():
    assert cli("--version").stdout.decode().split() == ["kesmal-cli", kesmal.__version__]


def test_check_refuses_unknown_rules():
    with pytest.raises(ValueError, match="unknown rules 'modern'"):
        kesmal.check("A123456789", rules="modern")


MAKE_CASES = {
    "tw sex and region": ("tw", {"sex": "female", "region": "B"}, ["--sex", "female", "--region", "B"]),
    "hk length": ("hk", {"length": 9}, ["--length", "9"]),
    "kr birth as a date": ("kr", {"birth": datetime.date(1985, 5, 3), "sex": "male"},
                           ["--birth", "1985-05-03", "--sex", "male"]),
    "cn region, birth and sex": ("cn", {"region": "110105", "birth": "1949-12-31", "sex": "female"},
                                 ["--region", "110105", "--birth", "1949-12-31", "--sex", "female"]),
    "cn without options": ("cn", {}, []),
    "cn15 birth range open at its end": ("cn15", {"birth": (datetime.date(1950, 1, 1), None)},
                                         ["--birth", "1950-01-01.."]),
    "kr age range, unique": ("kr", {"age": (20, 30), "unique": True}, ["--age", "20-30", "--unique"]),
    "tw invalid": ("tw", {"invalid": "check_code"}, ["--invalid", "check_code"]),
}


@pytest.mark.parametrize("jurisdiction,options,args", MAKE_CASES.values(), ids=MAKE_CASES.keys())
def test_make_and_numbers_give_what_the_command_line_makes(jurisdiction, options, args):
    out = cli("make", jurisdiction, "--count", "5000", "--seed", "1234", *args).stdout.decode().split()
    assert kesmal.make(jurisdiction, count=5000, seed=1234, **options) == out
    assert list(kesmal.numbers(jurisdiction, count=5000, seed=1234, **options)) == out


def test_numbers_are_made_as_they_are_read():
    endless = kesmal.numbers("cn", count=10**15, seed=7, unique=False)
    other = kesmal.numbers("cn", count=10**15, seed=8)
    # Read in turns, each stream gives what it gives alone.
    first = [next(endless) for _ in range(3)] + [next(other)] + [next(endless) for _ in range(5000)]
    assert first[:3] + first[4:] == kesmal.make("cn", count=5003, seed=7)


@pytest.mark.parametrize("jurisdiction,options,message", [
    ("hk", {"length": 7}, "bad value '7' for length (expected 8 or 9)"),
    ("cn", {"birth": "2001-02-30"}, "bad value '2001-02-30' for birth (expected a calendar date"),
    ("kr", {"age": (1, 2), "birth": "2001-01-01"}, "age excludes birth"),
    ("hk", {"sex": "male"}, "sex does not apply to hk"),
    ("xx", {}, "unknown jurisdiction 'xx'"),
])
def test_make_raises_a_message_naming_the_keywords(jurisdiction, options, message):
    with pytest.raises(kesmal.RequestError) as error:
        kesmal.make(jurisdiction, **options)
    assert str(error.value).startswith(message)


def test_make_refuses_a_keyword_it_does_not_take():
    with pytest.raises(TypeError, match="unexpected keyword argument 'colour'"):
        kesmal.make("tw", colour="red")


METHODS = {"tw_id": "tw", "hk_id": "hk", "cn_id": "cn", "cn15_id": "cn15", "kr_id": "kr"}


@pytest.mark.parametrize("seeding", ["instance", "shared"])
def test_provider_numbers_are_valid_and_reproducible(seeding):
    fake = Faker()
    fake.add_provider(Provider)

    def draw():
        if seeding == "instance":
            fake.seed_instance(2026)
        elif hasattr(Faker, "seed"):  # current Fakers, which refuse fake.seed
            Faker.seed(2026)
        else:  # the generator's own in older ones
            fake.seed(2026)
        return [getattr(fake, method)() for method in METHODS for _ in range(50)]

    numbers = draw()
    assert numbers == draw()
    assert len(set(numbers)) > 240
    for number, method in zip(numbers, (m for m in METHODS for _ in range(50))):
        result = kesmal.check(number)
        assert result["valid"] and result["jurisdiction"] == METHODS[method], number


def test_provider_passes_keywords_on():
    fake = Faker()
    fake.add_provider(Provider)
    result = kesmal.check(fake.cn_id(region="110105", sex="female"))
    assert (result["region_code"], result["sex"]) == ("110105", "female")


def planted_text(rng, numbers):
    """Random text of astral and CJK characters, lone surrogates and escaped
    bytes, with numbers planted between spaces in some of its lines."""
    points = (0x41, 0x31, 0x20, 0x4E2D, 0xD800, 0xDC00, 0xDC80, 0xDCFF, 0x1F600, 0xFF21, 0xA)
    parts = []
    for _ in range(3_000):
        parts.append("".join(chr(rng.choice(points)) for _ in range(rng.randrange(0, 12))))
        if rng.random() < 0.3:
            parts.append(" " + rng.choice(numbers) + " ")
    return "".join(parts)


@pytest.mark.parametrize("rules", ["classic", "current"])
def test_scan_gives_the_command_lines_objects_with_their_places_in_the_str(rules):
    rng = random.Random(21)
    numbers = kesmal.make("tw", count=50, seed=21) + kesmal.make("kr", count=50, seed=21)
    text = planted_text(rng, numbers + ["A123456(3)", "８５０５０３－１２３４５６７", "11010519491231002x"])
    findings = kesmal.scan(text, rules)
    out = cli("scan", "--json", "--rules", rules, stdin=cli_bytes(text)).stdout.decode("utf-8")
    objects = [json.loads(line) for line in out.splitlines()]
    assert len(findings) == len(objects) > 100
    for finding, expected in zip(findings, objects):
        assert text[finding.pop("start"):finding.pop("end")] == finding["text"]
        assert list(finding.items()) == list(expected.items())


def full_width(text):
    return "".join(chr(ord(c) + 0xFEE0) if c.isascii() and c.isalnum() else
                   "－" if c == "-" else c for c in text)


def written_numbers(seed):
    """Numbers of every jurisdiction in the forms people write them, and near misses."""
    made = {j: kesmal.make(j, count=20, seed=seed) for j in ("tw", "hk", "cn", "cn15", "kr")}
    return (made["tw"] + [n.lower() for n in made["tw"]] + made["cn15"]
            + [n[:-1] + "(" + n[-1] + ")" for n in made["hk"]]
            + [full_width(n[:6] + "-" + n[6:]) for n in made["kr"]]
            + [full_width(n) for n in made["cn"][:10]] + [n[:-1] + "0" for n in made["cn"][10:]])


@pytest.fixture(name="key_file")
def fixture_key_file(tmp_path):
    path = tmp_path / "key"
    with open(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600), "w") as file:
        file.write(kesmal.new_key().hex() + "\n")
    return str(path)


MASKERS = {
    "pseudonyms": ({}, []),
    "keep region and sex, current rules": ({"keep": ("region", "sex"), "rules": "current"},
                                           ["--keep", "region,sex", "--rules", "current"]),
    "reverse, only tw and kr": ({"reverse": True, "only": ["tw", "kr"]},
                                ["--reverse", "--only", "tw,kr"]),
    "redact, keep birth-date": ({"redact": True, "keep": "birth-date"}, ["--redact", "--keep", "birth-date"]),
    "near misses kept": ({"near_misses": "keep"}, ["--near-misses", "keep"]),
    "redact, near misses redacted": ({"redact": True, "near_misses": "redact"},
                                     ["--redact", "--near-misses", "redact"]),
}


@pytest.mark.parametrize("options,args", MASKERS.values(), ids=MASKERS.keys())
def test_masker_and_its_pickle_mask_text_as_the_command_line(key_file, options, args):
    key = None if options.get("redact") else kesmal.read_key_file(key_file)
    masker = kesmal.Masker(key, **options)
    text = planted_text(random.Random(31), written_numbers(31))
    for text in (text, "".join(c for c in text if not 0xD800 <= ord(c) <= 0xDFFF)):
        out = cli("mask", *([] if key is None else ["--key-file", key_file]), *args, stdin=cli_bytes(text))
        for each in (masker, *(pickle.loads(pickle.dumps(masker, protocol))
                               for protocol in range(pickle.HIGHEST_PROTOCOL + 1))):
            masked = each.text(text)
            assert cli_bytes(masked) == out.stdout != cli_bytes(text)
            assert [c for c in masked if 0xD800 <= ord(c) <= 0xDFFF] == [
                c for c in text if 0xD800 <= ord(c) <= 0xDFFF]


@pytest.mark.parametrize("written", ["A123456789", "ａ１２３４５６７８９", "631212-1456031",
                                     "６３１２１２－１４５６０３１", "K780504(7)", "23122419550305224x"])
def test_masker_number_gives_the_command_lines_form(key_file, written):
    out = cli("mask", "--key-file", key_file, stdin=written.encode()).stdout.decode()
    assert kesmal.Masker(kesmal.read_key_file(key_file)).number(written) == out


@pytest.mark.parametrize("written", ["", "A123456789 ", "A123456789 B123456780", "A1234567880"])
def test_masker_number_refuses_what_is_not_one_masked_number(written):
    with pytest.raises(ValueError, match="not one identity number"):
        kesmal.Masker(bytes(32)).number(written)


@pytest.mark.parametrize("call", [lambda masker: masker.text("A123456789"),
                                  lambda masker: masker.number("A123456789"),
                                  lambda masker: pickle.dumps(masker)])
def test_a_masker_made_without_its_arguments_raises_type_error(call):
    with pytest.raises(TypeError, match="without its arguments"):
        call(kesmal.Masker.__new__(kesmal.Masker))


def test_reverse_gives_the_numbers_back():
    key, text = kesmal.new_key(), planted_text(random.Random(32), written_numbers(32))
    masked = kesmal.Masker(key, keep="region,sex").text(text)
    assert masked != text
    assert kesmal.Masker(key, keep=["sex", "region"], reverse=True).text(masked) == text


@pytest.mark.parametrize("options,message", [
    ({"key": bytes(32), "keep": ("region", "birth-date", "sex")},
     "keep region,birth-date,sex leaves 500 numbers for cn, fewer than the 1,000,000"),
    ({"key": bytes(31)}, "a key is 32 bytes, not 31"),
    ({"key": None}, "needs a key"),
    ({"key": bytes(32), "redact": True}, "redact=True takes no key"),
    ({"key": bytes(32), "keep": "sex,colour"}, "bad value 'sex,colour' for keep"),
    ({"key": bytes(32), "near_misses": "drop"}, "bad value 'drop' for near_misses"),
])
def test_masker_refuses_what_the_command_line_refuses(options, message):
    with pytest.raises(kesmal.MaskError, match=message):
        kesmal.Masker(**options)
