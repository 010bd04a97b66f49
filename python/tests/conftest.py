"""What the Python suites share: the test passwords and the configuration,
written at the fixed path only inside the private folder that
tests/support/private-conf.sh mounts (ctest starts every suite through it)."""

import os
import re
import types
from pathlib import Path

import pytest

CONFIG_DIR = "/usr/local/vesticor/conf"
PRIVATE_SOURCE = "ppc-test-conf"  # the launcher's tmpfs

# The passwords of tests/support/TestPasswords.h, which the log scan looks for:
# P.strong, P.short, P.one_class, P.blanks, P.too_long, P.weak.
_header = Path(os.environ["PPC_TEST_PASSWORDS"]).read_text()
P = types.SimpleNamespace(**{
    re.sub(r"(?<!^)([A-Z])", r"_\1", name).lower(): value
    for name, value in re.findall(r'constexpr const char k(\w+)\[\] = "([^"]*)";', _header)})

# Policy 1's allowed minima differ from the defaults, so that the field order
# of Policy shows; policy 2's special set is one byte that is not UTF-8;
# policy 3 judges the context and the old password.
CONFIG = ("[BASIC]\nweakPwdDic={dictionary}\n"
          "[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\nspecialchar=~!#$%^&*()-_=+\\|[{{}}]:,<.>?space\n"
          "[POLICY1]\nminlen=12\nmaxlen=64\nminclass=4\nallowminlen=9\nallowminclass=3\nspecialchar=!#\n"
          "[POLICY2]\nminlen=6\nmaxlen=6\nminclass=1\nspecialchar=\xe9\n"
          "[POLICY3]\nminlen=8\nmaxlen=64\ncomposition=none\ncontextCheck=1\nminOldDiff=3\n")


def _folder_is_private():
    """The last mount on the folder, the one in force, is the launcher's tmpfs."""
    with open("/proc/self/mountinfo") as mounts:
        tops = [line for line in mounts if f" {CONFIG_DIR} " in line]
    return bool(tops) and f" - tmpfs {PRIVATE_SOURCE} " in tops[-1]


class ConfigFile:
    """The fixed configuration path, with the dictionary beside it."""

    path = Path(CONFIG_DIR) / "ppc.conf"

    def __init__(self):
        if not _folder_is_private():
            pytest.fail(f"refusing to write {self.path}: run the suite under "
                        "tests/support/private-conf.sh (ctest does)", pytrace=False)
        self.dictionary = Path(CONFIG_DIR) / "weakpwd.dic"

    def write(self):
        self.dictionary.write_text(f"{P.weak}\npassword\n")
        self.path.write_bytes(CONFIG.format(dictionary=self.dictionary).encode("latin-1"))

    def remove(self):
        self.path.unlink(missing_ok=True)


@pytest.fixture(scope="session")
def config_file():
    return ConfigFile()


@pytest.fixture(scope="session")
def config(config_file):
    config_file.write()
    return config_file
