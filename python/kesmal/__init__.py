"""Identity-card numbers of Taiwan, Hong Kong, mainland China and Korea:
checks and generation by the rules of kesmal-cli, in-process.

    >>> import kesmal
    >>> kesmal.check("A123456789")["valid"]
    True
    >>> kesmal.make("cn", count=2, seed=7, sex="female", birth="1985-05-03")  # doctest: +SKIP
    >>> for number in kesmal.numbers("tw", count=100_000_000, seed=1):  # doctest: +SKIP
    ...     pass
"""
from kesmal._kesmal import RequestError, check, make, numbers

__all__ = ["check", "make", "numbers", "RequestError"]

make.__doc__ = """New numbers of the jurisdiction ("tw", "hk", "cn", "cn15", "kr"), as
`kesmal-cli make` makes them, as a list: every option of the command is a
keyword (sex="female", region="110105", length=9, unique=True,
invalid="check_code", birth=..., age=...). A date is a datetime.date or
"YYYY-MM-DD"; a range a pair (either end may be None) or the command line's
own text ("1980-01-01..1989-12-31", "20-30"). The same seed gives the same
numbers as the command line. A request the library refuses raises
RequestError, a ValueError, with the command's message."""

numbers.__doc__ = """The numbers make would give, with the same keywords, made a block at a
time as they are read: a run of any length stays in flat memory."""
