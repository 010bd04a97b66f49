"""The types of the pwdpolicy package: verdicts, policies, generators, errors.

Defined here rather than in the extension so that they are ordinary Python
classes: a real enum, a named tuple, exception classes with a code.
"""

import enum
from typing import Dict, NamedTuple, Tuple, Type


class Verdict(enum.IntEnum):
    """What pwdpolicy.check says of a password; the values are the library's
    PPC_ verdicts, so a Verdict also compares equal to the C constant."""

    MATCH = 0  #: matches the policy
    TOO_SHORT = 1  #: shorter than the policy's min_length
    TOO_LONG = 2  #: longer than its max_length
    TOO_FEW_CLASSES = 3  #: mixes fewer character classes than min_classes
    BAD_SPECIAL_CHAR = 4  #: with special_check: a character outside the special set
    INVALID_UTF8 = 5  #: not UTF-8, under a policy that counts code points or normalises

    # Printed as "Verdict.MATCH", not as the bare number that an IntEnum
    # prints and formats from Python 3.11 on.
    def __str__(self) -> str:
        return f"{type(self).__name__}.{self.name}"

    def __format__(self, format_spec: str) -> str:
        return format(str(self), format_spec)


class Reason(enum.IntEnum):
    """Why pwdpolicy.judge refuses a password; the values are the library's
    PPC_REASON_ codes, stable across releases."""

    TOO_SHORT = 1
    TOO_LONG = 2
    TOO_FEW_CLASSES = 3
    BAD_SPECIAL_CHAR = 4
    INVALID_UTF8 = 5
    REPEATED_CHARS = 6  #: one character more times in a row than the policy's maxRepeat
    SEQUENTIAL_CHARS = 7  #: a run of consecutive characters longer than maxSequence
    WEAK = 8  #: in the weak-password dictionary
    BREACHED = 9  #: in the breach table
    EQUALS_CONTEXT = 10  #: a context word (user name, full name, ...), or one reversed
    CONTAINS_CONTEXT = 11  #: contains a context word of four or more characters
    EQUALS_OLD = 12  #: the old password, reversed, or with its case changed
    TOO_CLOSE_TO_OLD = 13  #: differs from the old password in fewer characters than minOldDiff

    def __str__(self) -> str:
        return f"{type(self).__name__}.{self.name}"

    def __format__(self, format_spec: str) -> str:
        return format(str(self), format_spec)


class Judgement(NamedTuple):
    """What pwdpolicy.judge found: the verdict pwdpolicy.check would give,
    and every reason that applies, the policy's first."""

    verdict: Verdict
    reasons: Tuple[Reason, ...]

    @property
    def passes(self) -> bool:
        """True when no rule refuses the password."""
        return not self.reasons


class Generator(enum.Enum):
    """Which generator pwdpolicy.generate draws from."""

    #: the kernel's random source (getrandom), unbiased: for real passwords
    KERNEL = "kernel"
    #: the C library's rand(): reproducible after srand(), never secret
    RAND = "rand"


class Policy(NamedTuple):
    """A policy as pwdpolicy.get_policy reports it. Lengths count bytes (a
    character outside ASCII is two to four bytes of UTF-8); the classes are
    lower-case letters, upper-case letters, digits and special characters.
    allow_min_length and allow_min_classes are reported, not enforced."""

    id: int
    min_length: int
    max_length: int
    min_classes: int
    allow_min_length: int
    allow_min_classes: int
    special_chars: str


class Error(Exception):
    """A result code other than PPC_OK from the library. code holds it; each
    code the library documents has a subclass below."""

    code: int
    description = "the library returned an error code"

    def __init__(self, code: int, detail: str = "") -> None:
        super().__init__(code, detail)  # the arguments, so that it pickles
        self.code = code
        self.detail = detail

    def __str__(self) -> str:
        prefix = f"{self.detail}: " if self.detail else ""
        return f"{prefix}{self.description} (code {self.code})"


class AllocError(Error, MemoryError):
    code = 51
    description = "the password buffer could not be allocated"


class NotInitializedError(Error):
    code = 1001
    description = "the component is not initialised"


class AlreadyInitializedError(Error):
    code = 1002
    description = "the component is already initialised"


class BadArgumentError(Error, ValueError):
    code = 1006
    description = "an argument is missing or out of range"


class TimerError(Error):
    code = 3002
    description = "the reload timer could not be armed"


class FileMonitorError(Error):
    code = 3003
    description = "the file monitor could not be set up"


class DataLoadError(Error):
    code = 3004
    description = "the configuration or the dictionary could not be loaded"


class NoPolicyError(Error, LookupError):
    code = 3005
    description = "the configuration holds no such policy"


ERRORS: Dict[int, Type[Error]] = {
    cls.code: cls
    for cls in (AllocError, NotInitializedError, AlreadyInitializedError, BadArgumentError,
                TimerError, FileMonitorError, DataLoadError, NoPolicyError)
}


# Shown, and pickled, under the name the package exports them by.
for _public in (Verdict, Reason, Judgement, Generator, Policy, Error, *ERRORS.values()):
    _public.__module__ = "pwdpolicy"


def error_for(code: int, detail: str = "") -> Error:
    """The exception for a result code; the extension raises what this returns."""
    return ERRORS.get(code, Error)(code, detail)
