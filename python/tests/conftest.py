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
CONFIG = """[BASIC]
weakPwdDic={dictionary}
[POLICY0]
minlen=8
maxlen=32
minclass=3
specialchar=~!#$%^&*()-_=+\\|[{{}}]:,<.>?space
[POLICY1]
minlen=12
maxlen=64
minclass=4
allowminlen=9
allowminclass=3
specialchar=!#
[POLICY2]
minlen=6
maxlen=6
minclass=1
specialchar=\xe9
[POLICY3]
minlen=8
maxlen=64
composition=none
contextCheck=1
minOldDiff=3
"""


def _folder_is_private():
    try:
        if os.readlink("/proc/self/ns/mnt") == os.readlink("/proc/1/ns/mnt"):
            return False
    except OSError:
        pass  # a user namespace may not read init's: the mount table decides
    private = False
    with open("/proc/self/mountinfo") as mounts:
        for line in mounts:
            if f" {CONFIG_DIR} " in line:
                private = f" - tmpfs {PRIVATE_SOURCE} " in line
    return private


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
