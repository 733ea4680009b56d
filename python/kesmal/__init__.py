"""Identity-card numbers of Taiwan, Hong Kong, mainland China and Korea:
checks, generation and masking by the rules of kesmal-cli, in-process.

    >>> import kesmal
    >>> kesmal.check("A123456789")["valid"]
    True
    >>> kesmal.make("cn", count=2, seed=7, sex="female", birth="1985-05-03")  # doctest: +SKIP
    >>> for number in kesmal.numbers("tw", count=100_000_000, seed=1):  # doctest: +SKIP
    ...     pass
    >>> masker = kesmal.Masker(kesmal.read_key_file("team.key"), keep="region")  # doctest: +SKIP
    >>> masker.text("A123456789 and 850503-1234567")  # doctest: +SKIP

kesmal.faker holds a Faker provider, kesmal.presidio Presidio's recognizer
and operators.
"""
import os

from kesmal._version import __version__
from kesmal._kesmal import (MaskError, Masker, RequestError, check, make, numbers, read_key_file,
                            scan)

__all__ = ["__version__", "check", "make", "numbers", "scan", "Masker", "new_key", "read_key_file",
           "MaskError", "RequestError"]


def new_key():
    """A new key for Masker: 32 bytes from the system's random source."""
    return os.urandom(32)
