"""Identity-card numbers of Taiwan, Hong Kong, mainland China and Korea:
checks and generation by the rules of kesmal-cli, in-process.

    >>> import kesmal
    >>> kesmal.check("A123456789")["valid"]
    True
    >>> kesmal.make("cn", count=2, seed=7, sex="female", birth="1985-05-03")  # doctest: +SKIP
"""
import datetime

from kesmal._kesmal import check, run

__all__ = ["check", "make"]

# The options that take a range, and how the command line joins its two ends.
_RANGE_SEPARATORS = {"age": "-"}


def _value(value):
    if isinstance(value, datetime.date):
        return value.isoformat()
    return "" if value is None else str(value)


def _arguments(name, value):
    option = "--" + name.replace("_", "-")
    if value is True:
        return [option]
    if value is False or value is None:
        return []
    if isinstance(value, (tuple, list)):
        if len(value) != 2:
            raise ValueError(f"{name} takes a pair (first, last), not {value!r}")
        value = _RANGE_SEPARATORS.get(name, "..").join(_value(end) for end in value)
    return [f"{option}={_value(value)}"]


def make(jurisdiction, count=1, seed=None, **options):
    """New numbers of the jurisdiction ("tw", "hk", "cn", "kr", ...), as
    `kesmal-cli make` makes them: every option of the command is a keyword
    (sex="female", region="110105", length=9, unique=True, ...). A date is a
    datetime.date or "YYYY-MM-DD"; a range a pair (either end may be None) or
    the command line's own text. The same seed gives the same numbers as the
    command line. A bad value raises ValueError with the command's message."""
    args = ["make", str(jurisdiction), f"--count={_value(count)}"]
    if seed is not None:
        args.append(f"--seed={_value(seed)}")
    for name, value in options.items():
        args += _arguments(name, value)
    status, out, err = run(args)
    if status != 0:
        message = err.strip().removeprefix("kesmal-cli: ")
        raise ValueError(message.removesuffix(" (see kesmal-cli --help)"))
    return out.splitlines()
