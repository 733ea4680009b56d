"""Kesmal in Presidio: a recognizer of identity-card numbers of Taiwan, Hong
Kong, mainland China and Korea, and anonymizer operators that mask them as
`kesmal-cli mask` does (pip install "kesmal[presidio]").

    from presidio_anonymizer import AnonymizerEngine, DeanonymizeEngine
    from presidio_anonymizer.entities import OperatorConfig
    from kesmal.presidio import (KesmalPseudonym, KesmalRedact, KesmalReverse,
                                 analyzer_engine)

    analyzer = analyzer_engine(["zh", "ko"])        # no language model to download
    found = analyzer.analyze("身分證A123456789號", language="zh")
    anonymizer = AnonymizerEngine()
    anonymizer.add_anonymizer(KesmalPseudonym)
    masked = anonymizer.anonymize(text, found, {"DEFAULT": OperatorConfig(
        "kesmal_pseudonym", {"key_file": "team.key", "keep": "region"})})

In an AnalyzerEngine of one's own, the recognizer is one line:
registry.add_recognizer(KesmalRecognizer(supported_language="zh")). A
recognizer registry's YAML configuration names it as `KesmalRecognizer` of
type `predefined`, once this module is imported.
"""
import os
import threading

from presidio_analyzer import (AnalysisExplanation, AnalyzerEngine, EntityRecognizer,
                               RecognizerRegistry, RecognizerResult)
from presidio_anonymizer.entities import InvalidParamError
from presidio_anonymizer.operators import Operator, OperatorType

import kesmal

__all__ = ["ENTITIES", "KesmalRecognizer", "KesmalPseudonym", "KesmalRedact", "KesmalReverse",
           "analyzer_engine", "blank_nlp_engine"]

# Presidio's entity of each jurisdiction of kesmal.scan; KR_RRN is
# Presidio's own name for Korean numbers.
ENTITIES = {
    "tw": "TW_NATIONAL_ID",
    "hk": "HK_ID_CARD",
    "cn": "CN_RESIDENT_ID",
    "cn15": "CN_RESIDENT_ID",
    "kr": "KR_RRN",
}

VALID_SCORE = 1.0
# Reported only when asked for, as kesmal.scan reports them.
IMPLAUSIBLE_SCORE = 0.5
NEAR_MISS_SCORE = 0.3


class KesmalRecognizer(EntityRecognizer):
    """Finds the numbers kesmal.scan finds, in text of any language: one
    recognizer serves the language it is made for (Presidio asks each
    language's recognizers), and the numbers are the same in all.

    A valid, plausible number scores 1.0. implausible=True adds valid numbers
    that are not plausible (score 0.5) and near_misses=True numbers that fail
    their check character alone (score 0.3); rules and only are kesmal.scan's.
    Each result's explanation names the check, and its recognition_metadata
    holds the finding as kesmal.scan gives it under "kesmal".
    """

    def __init__(self, supported_language="en", supported_entities=None, rules="classic",
                 near_misses=False, implausible=False, only=None, name=None, context=None,
                 version=kesmal.__version__):
        entities = sorted(set(ENTITIES.values()))
        if supported_entities is not None:
            unknown = sorted(set(supported_entities) - set(entities))
            if unknown:
                raise ValueError(f"KesmalRecognizer finds {', '.join(entities)}, not "
                                 f"{', '.join(unknown)}")
            entities = [entity for entity in entities if entity in supported_entities]
        if isinstance(only, str):
            only = [part.strip() for part in only.split(",")]
        if only is not None:
            unknown = sorted(set(only) - set(ENTITIES))
            if unknown:
                raise ValueError(f"unknown jurisdiction {', '.join(unknown)} in only "
                                 f"(expected {', '.join(ENTITIES)})")
        self.rules = rules
        self.near_misses = near_misses
        self.implausible = implausible
        self.only = list(only) if only is not None else None
        kesmal.check("", rules)  # refuses unknown rules now, not at the first text
        super().__init__(supported_entities=entities, name=name,
                         supported_language=supported_language, version=version,
                         context=context)

    def load(self):
        pass

    def _jurisdictions(self, entities):
        wanted = set(self.supported_entities)
        if entities is not None:
            wanted &= set(entities)
        return [name for name, entity in ENTITIES.items()
                if entity in wanted and (self.only is None or name in self.only)]

    def analyze(self, text, entities, nlp_artifacts=None):
        only = self._jurisdictions(entities)
        if not only:
            return []
        results = []
        for finding in kesmal.scan(text, self.rules, near_misses=self.near_misses,
                                   implausible=self.implausible, only=only):
            score, explanation = _score(finding)
            results.append(RecognizerResult(
                entity_type=ENTITIES[finding["jurisdiction"]],
                start=finding["start"], end=finding["end"], score=score,
                analysis_explanation=AnalysisExplanation(
                    recognizer=self.name, original_score=score,
                    pattern_name=finding["jurisdiction"], validation_result=finding["valid"],
                    textual_explanation=explanation),
                recognition_metadata={
                    RecognizerResult.RECOGNIZER_NAME_KEY: self.name,
                    RecognizerResult.RECOGNIZER_IDENTIFIER_KEY: self.id,
                    "kesmal": finding,
                }))
        return results


def _score(finding):
    check = f"kesmal check of {finding['jurisdiction']} ({finding['rules']} rules)"
    if not finding["valid"]:
        faults = ", ".join(fault["code"] + (f" (expected {fault['expected']})"
                                            if "expected" in fault else "")
                           for fault in finding["faults"])
        return NEAR_MISS_SCORE, f"{check}: near miss, fails {faults}"
    if not finding["plausible"]:
        return IMPLAUSIBLE_SCORE, f"{check}: valid, implausible"
    return VALID_SCORE, f"{check}: valid, plausible"


def _blank_pipeline(language):
    import spacy
    try:
        return spacy.blank(language)
    except ImportError:
        # A language whose own tokenizer needs a package of its own (Korean's
        # needs MeCab) gets spaCy's rule-based one: Kesmal reads the text, not
        # its tokens.
        return spacy.blank(language, config={"nlp": {"tokenizer": {"@tokenizers":
                                                                   "spacy.Tokenizer.v1"}}})


def blank_nlp_engine(languages=("en",)):
    """A spaCy engine for Presidio with a blank pipeline per language: it
    tokenizes, finds no names and needs no model downloaded."""
    from presidio_analyzer.nlp_engine import SpacyNlpEngine

    languages = list(languages)
    engine = SpacyNlpEngine(models=[{"lang_code": language, "model_name": "blank:" + language}
                                    for language in languages])
    engine.nlp = {language: _blank_pipeline(language) for language in languages}
    return engine


def analyzer_engine(languages=("en",), **options):
    """Presidio's AnalyzerEngine with Kesmal's recognizer alone for each
    language, over blank spaCy pipelines; options are KesmalRecognizer's."""
    languages = list(languages)
    registry = RecognizerRegistry(supported_languages=languages)
    for language in languages:
        registry.add_recognizer(KesmalRecognizer(supported_language=language, **options))
    return AnalyzerEngine(registry=registry, nlp_engine=blank_nlp_engine(languages),
                          supported_languages=languages)


# Operators are made anew for each entity; their Maskers are kept, one per
# key file (as it is now) and options.
_maskers = {}
_maskers_lock = threading.Lock()


def _masker(params, redact=False, reverse=False):
    params = params or {}
    keep = params.get("keep", ())
    if not isinstance(keep, str):
        keep = ",".join(keep)
    rules = params.get("rules", "classic")
    key_file = params.get("key_file")
    if redact:
        if key_file is not None:
            raise InvalidParamError("kesmal_redact takes no key_file")
        identity = (None, keep, rules, redact, reverse)
    else:
        if not isinstance(key_file, (str, os.PathLike)):
            raise InvalidParamError("kesmal_pseudonym and kesmal_reverse need key_file, the "
                                    "file of `kesmal-cli mask --new-key`")
        try:
            status = os.stat(key_file)
        except OSError as error:
            raise InvalidParamError(f"cannot read the key file: {error}") from error
        identity = (os.path.realpath(key_file), status.st_ino, status.st_mtime_ns,
                    status.st_size, keep, rules, redact, reverse)
    with _maskers_lock:
        masker = _maskers.get(identity)
    if masker is None:
        try:
            key = None if redact else kesmal.read_key_file(os.fspath(key_file))
            masker = kesmal.Masker(key, keep=keep, redact=redact, reverse=reverse, rules=rules)
        except (OSError, ValueError) as error:
            raise InvalidParamError(str(error)) from error
        with _maskers_lock:
            _maskers[identity] = masker
    return masker


def _numbers_between_spaces(text, rules):
    """The text as (piece, is a number) pairs when it is numbers with spaces
    between them and nothing else, or None."""
    pieces = []
    at = 0
    for finding in kesmal.scan(text, rules, implausible=True):
        gap = text[at:finding["start"]]
        if (at == 0) != (gap == "") or gap.strip(" "):
            return None
        if gap:
            pieces.append((gap, False))
        pieces.append((finding["text"], True))
        at = finding["end"]
    if len(pieces) < 3 or at != len(text):
        return None
    return pieces


class _KesmalOperator(Operator):
    NAME = None
    REDACT = False
    REVERSE = False

    def operate(self, text, params=None):
        masker = _masker(params, self.REDACT, self.REVERSE)
        try:
            return masker.number(text)
        except ValueError:
            # AnonymizerEngine merges entities of one type with only spaces
            # between them into one: each of its numbers is masked.
            pieces = _numbers_between_spaces(text, (params or {}).get("rules", "classic"))
            if pieces is None:
                raise
            return "".join(masker.number(piece) if number else piece for piece, number in pieces)

    def validate(self, params=None):
        _masker(params, self.REDACT, self.REVERSE)

    def operator_name(self):
        return self.NAME

    def operator_type(self):
        return OperatorType.Deanonymize if self.REVERSE else OperatorType.Anonymize


class KesmalPseudonym(_KesmalOperator):
    """`kesmal_pseudonym`: each number becomes its pseudonym under the key in
    key_file, as `kesmal-cli mask --key-file FILE --keep KEEP` writes it."""
    NAME = "kesmal_pseudonym"


class KesmalRedact(_KesmalOperator):
    """`kesmal_redact`: each number's letters and digits become asterisks but
    those of the kept fields, as `kesmal-cli mask --redact --keep KEEP`."""
    NAME = "kesmal_redact"
    REDACT = True


class KesmalReverse(_KesmalOperator):
    """`kesmal_reverse`, a deanonymizer: each pseudonym becomes its number
    again, as `kesmal-cli mask --reverse` with the same key and keep."""
    NAME = "kesmal_reverse"
    REVERSE = True
