"""PwdPolicy for Python: judge, check and generate passwords with the
policies, weak-password dictionary and breach table of libpwdpolicy.

    >>> import pwdpolicy
    >>> pwdpolicy.check("Blue-Kettle-42")            # against policy 0
    <Verdict.MATCH: 0>
    >>> pwdpolicy.check("Bk-42", policy=1)
    <Verdict.TOO_SHORT: 1>
    >>> pwdpolicy.is_weak("password"), pwdpolicy.is_strong("Blue-Kettle-42")
    (True, True)
    >>> pwdpolicy.judge("quokka2024", user="quokka").reasons   # every reason at once
    (<Reason.TOO_FEW_CLASSES: 3>,)
    >>> len(pwdpolicy.generate(policy=1, length=20))  # from the kernel's random source
    20

The configuration is always read from CONFIG_PATH. Every function may be
called from any thread; each lets go of the GIL while the library works.
pwdpolicy.django holds a validator for Django's AUTH_PASSWORD_VALIDATORS.
"""

from ._types import (AllocError, AlreadyInitializedError, BadArgumentError, DataLoadError, Error,
                     FileMonitorError, Generator, Judgement, NoPolicyError, NotInitializedError,
                     Policy, Reason, TimerError, Verdict)
from ._pwdpolicy import (CONFIG_PATH, VERSION, check, finalize, generate, get_policy, initialize,
                         is_strong, is_weak, judge, run_due_tick)

__version__ = VERSION

__all__ = [
    "CONFIG_PATH", "VERSION", "check", "finalize", "generate", "get_policy", "initialize",
    "is_strong", "is_weak", "judge", "run_due_tick", "Verdict", "Reason", "Judgement", "Generator",
    "Policy", "Error",
    "AllocError", "AlreadyInitializedError", "BadArgumentError", "DataLoadError",
    "FileMonitorError", "NoPolicyError", "NotInitializedError", "TimerError",
]
