"""Kesmal's recognizer and operators inside Presidio, against kesmal-cli
(KESMAL_CLI): every planted number found at its character offsets in Chinese
and Korean text, the operators' text the bytes of `kesmal-cli mask`, and the
deanonymizer giving the text back. Run by pip_install.sh in a virtual
environment with the installed package and Presidio pinned."""
import os
import subprocess
import textwrap

import pytest
from presidio_analyzer.recognizer_registry import RecognizerRegistryProvider
from presidio_anonymizer import AnonymizerEngine, DeanonymizeEngine
from presidio_anonymizer.entities import InvalidParamError, OperatorConfig

import kesmal
from kesmal.presidio import (KesmalPseudonym, KesmalRecognizer, KesmalRedact, KesmalReverse,
                             analyzer_engine)

CLI = os.environ["KESMAL_CLI"]


def cli(*args, stdin=""):
    out = subprocess.run([CLI, *args], input=stdin.encode("utf-8"), capture_output=True,
                         check=True)
    return out.stdout.decode("utf-8")


def full_width(text):
    return "".join(chr(ord(c) + 0xFEE0) if "!" <= c <= "~" else c for c in text)


def written_forms(seed):
    """(text as written, entity) of every form scan finds, of numbers made
    with the seed."""
    tw, tw9 = kesmal.make("tw", count=2, seed=seed)
    hk8 = kesmal.make("hk", seed=seed, length=8)[0]
    hk9 = kesmal.make("hk", seed=seed, length=9)[0]
    cn = kesmal.make("cn", seed=seed, birth="1985-05-03")[0]
    cn_x = kesmal.make("cn", count=200, seed=seed)
    cn_x = next((n for n in cn_x if n.endswith("X")), cn_x[0])
    cn15 = kesmal.make("cn15", seed=seed)[0]
    kr = kesmal.make("kr", seed=seed, birth="1985-05-03")[0]
    return [
        (tw, "TW_NATIONAL_ID"), (tw9.lower(), "TW_NATIONAL_ID"),
        (full_width(tw9), "TW_NATIONAL_ID"),
        (hk8, "HK_ID_CARD"), (f"{hk8[:-1]}({hk8[-1]})", "HK_ID_CARD"),
        (f"{hk9[:-1]} ({hk9[-1]})", "HK_ID_CARD"), (f"{hk9[:-1]}（{hk9[-1]}）", "HK_ID_CARD"),
        (full_width(hk9), "HK_ID_CARD"),
        (cn, "CN_RESIDENT_ID"), (cn_x, "CN_RESIDENT_ID"), (full_width(cn), "CN_RESIDENT_ID"),
        (cn15, "CN_RESIDENT_ID"),
        (kr, "KR_RRN"), (f"{kr[:6]}-{kr[6:]}", "KR_RRN"), (f"{kr[:6]}－{kr[6:]}", "KR_RRN"),
        (full_width(kr), "KR_RRN"),
    ]


# Words around the numbers: CJK, Hangul, an astral character before a number
# (one character, two UTF-16 units, four bytes), numbers at both ends of the
# text, and pairs of numbers of one entity with a space alone between them,
# which AnonymizerEngine merges into one entity.
FRAMES = {
    "zh": ["{}號，", "😀{}", "电话0912345678 证件{}\n", "{}", " {} ", "（{}）"],
    "ko": ["{} 입니다. ", "주민등록번호{}", "번호:{}\n", "{}", " {} ", "〔{}〕"],
}


def planted(language, seed):
    """A text of the language with every form planted, and the planted
    numbers as (start, end, entity)."""
    text, expected = "", []
    for i, (number, entity) in enumerate(written_forms(seed)):
        before, after = FRAMES[language][i % len(FRAMES[language])].split("{}")
        text += before
        expected.append((len(text), len(text) + len(number), entity))
        text += number + after
    return text, expected


@pytest.fixture(scope="module")
def analyzer():
    return analyzer_engine(["zh", "ko", "en"])


@pytest.fixture(scope="module")
def key_file(tmp_path_factory):
    path = tmp_path_factory.mktemp("key") / "team.key"
    cli("mask", "--new-key", str(path))
    return str(path)


@pytest.mark.parametrize("language", ["zh", "ko"])
@pytest.mark.parametrize("seed", [1, 2, 3])
def test_every_planted_number_is_found_at_its_offsets(analyzer, language, seed):
    text, expected = planted(language, seed)
    results = analyzer.analyze(text, language=language)
    assert sorted((r.start, r.end, r.entity_type) for r in results) == expected
    assert {r.score for r in results} == {1.0}
    assert all(r.recognition_metadata["recognizer_name"] == "KesmalRecognizer" for r in results)


RECOGNIZER_CASES = {
    # text, options, (entity, score, check named in the explanation) found
    "near miss left out by default": ("A123456780", {}, []),
    "near miss when asked": ("A123456780", {"near_misses": True},
                             [("TW_NATIONAL_ID", 0.3, "fails check_code (expected 9)")]),
    "implausible left out by default": ("990105194912310023", {}, []),
    "implausible when asked": ("990105194912310023", {"implausible": True},
                               [("CN_RESIDENT_ID", 0.5, "valid, implausible")]),
    "only some jurisdictions": ("A123456789 850503-1234565", {"only": "kr"},
                                [("KR_RRN", 1.0, "valid, plausible")]),
    "resident certificate under current rules": (
        "A800000014", {"rules": "current"}, [("TW_NATIONAL_ID", 1.0, "of tw (current rules)")]),
    "resident certificate not under classic rules": ("A800000014", {}, []),
    "date-shaped 13 digits that fail Korea's check": ("8505031234567", {}, []),
    "inside a longer run of digits": ("1234567890123456789", {}, []),
}


@pytest.mark.parametrize("case", RECOGNIZER_CASES)
def test_scores_and_explanations(case):
    text, options, expected = RECOGNIZER_CASES[case]
    results = analyzer_engine(["en"], **options).analyze(text, language="en",
                                                       return_decision_process=True)
    assert len(results) == len(expected)
    for result, (entity, score, explanation) in zip(results, expected):
        assert (result.entity_type, result.score) == (entity, score)
        assert explanation in result.analysis_explanation.textual_explanation


def test_a_request_for_one_entity_reports_it_alone(analyzer):
    results = analyzer.analyze("A123456789 850503-1234565", language="en", entities=["KR_RRN"])
    assert [r.entity_type for r in results] == ["KR_RRN"]


def test_a_yaml_configuration_names_the_recognizer(tmp_path):
    path = tmp_path / "recognizers.yaml"
    path.write_text(textwrap.dedent("""\
        supported_languages: [zh]
        global_regex_flags: 26
        recognizers:
          - name: KesmalRecognizer
            type: predefined
        """))
    registry = RecognizerRegistryProvider(conf_file=str(path)).create_recognizer_registry()
    assert [type(r) for r in registry.recognizers] == [KesmalRecognizer]
    assert [r.entity_type for r in registry.recognizers[0].analyze("身分證A123456789號", None)] == [
        "TW_NATIONAL_ID"]


OPERATOR_CASES = {
    # operator, its parameters (key_file added where named), kesmal-cli mask's options
    "pseudonym": ("kesmal_pseudonym", {"key_file": None}, []),
    "pseudonym keeping region and sex": ("kesmal_pseudonym", {"key_file": None, "keep": "region,sex"},
                                         ["--keep", "region,sex"]),
    "pseudonym keeping a list": ("kesmal_pseudonym", {"key_file": None, "keep": ["birth-year"]},
                                 ["--keep", "birth-year"]),
    "redact": ("kesmal_redact", {}, ["--redact"]),
    "redact keeping region": ("kesmal_redact", {"keep": "region"}, ["--redact", "--keep", "region"]),
}


def anonymize(analyzer, text, language, operator, params):
    engine = AnonymizerEngine()
    engine.add_anonymizer(KesmalPseudonym)
    engine.add_anonymizer(KesmalRedact)
    results = analyzer.analyze(text, language=language)
    return engine.anonymize(text, results, {"DEFAULT": OperatorConfig(operator, params)})


@pytest.mark.parametrize("language", ["zh", "ko"])
@pytest.mark.parametrize("case", OPERATOR_CASES)
def test_operators_give_the_text_of_kesmal_cli_mask(analyzer, key_file, language, case):
    operator, params, options = OPERATOR_CASES[case]
    params = {name: key_file if name == "key_file" else value for name, value in params.items()}
    if "key_file" in params:
        options = ["--key-file", key_file, *options]
    text, _ = planted(language, 4)
    masked = anonymize(analyzer, text, language, operator, params)
    assert masked.text == cli("mask", *options, stdin=text)
    assert masked.text != text


@pytest.mark.parametrize("language", ["zh", "ko"])
@pytest.mark.parametrize("keep", ["", "region,sex"])
def test_the_deanonymizer_restores_the_text(analyzer, key_file, language, keep):
    # Capitals throughout: a check letter that became a digit comes back a capital.
    text, _ = planted(language, 5)
    text = text.upper()
    params = {"key_file": key_file, "keep": keep}
    masked = anonymize(analyzer, text, language, "kesmal_pseudonym", params)
    engine = DeanonymizeEngine()
    engine.add_deanonymizer(KesmalReverse)
    restored = engine.deanonymize(masked.text, masked.items,
                                  {"DEFAULT": OperatorConfig("kesmal_reverse", params)})
    assert restored.text == text
    reverse = ["--keep", keep] if keep else []
    assert restored.text == cli("mask", "--reverse", "--key-file", key_file, *reverse,
                                stdin=masked.text)


def test_the_operators_refuse_what_cannot_serve(tmp_path, key_file):
    readable = tmp_path / "readable.key"
    readable.write_bytes(open(key_file, "rb").read())
    readable.chmod(0o644)
    refused = [
        (KesmalPseudonym, {}),
        (KesmalPseudonym, {"key_file": str(tmp_path / "missing.key")}),
        (KesmalPseudonym, {"key_file": str(readable)}),
        (KesmalPseudonym, {"key_file": key_file, "keep": "colour"}),
        (KesmalRedact, {"key_file": key_file}),
        (KesmalReverse, {"key_file": key_file, "rules": "modern"}),
    ]
    for operator, params in refused:
        with pytest.raises(InvalidParamError):
            operator().validate(params)
    # A text that is not numbers is never given back unmasked.
    with pytest.raises(ValueError):
        KesmalPseudonym().operate("A123456789 Taipei", {"key_file": key_file})
