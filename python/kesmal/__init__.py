"""Identity-card numbers of Taiwan, Hong Kong, mainland China and Korea:
checks and generation by the rules of kesmal-cli, in-process.

    >>> import kesmal
    >>> kesmal.check("A123456789")["valid"]
    True
    >>> kesmal.make("cn", count=2, seed=7, sex="female", birth="1985-05-03")  # doctest: +SKIP
    >>> for number in kesmal.numbers("tw", count=100_000_000, seed=1):  # doctest: +SKIP
    ...     pass
"""
from kesmal._kesmal import RequestError, check, make, numbers, scan

__all__ = ["check", "make", "numbers", "scan", "RequestError"]
