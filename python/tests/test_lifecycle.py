"""Initialisation and finalisation: the codes, the arguments passed through,
and that whichever call comes first leaves the component with its dictionary.
Each case needs a process whose component nothing has touched yet."""

import subprocess
import sys

import pytest

import pwdpolicy
from conftest import P


def expect_error(error, code, call):
    with pytest.raises(error) as raised:
        call()
    assert raised.value.code == code


def test_lifecycle_in_order(config_file):
    config_file.remove()
    expect_error(pwdpolicy.DataLoadError, 3004, pwdpolicy.initialize)
    config_file.write()
    # The C generators initialise without the dictionary, after which no
    # password is weak; through the module the first generation loads it.
    assert len(pwdpolicy.generate()) == 8
    assert pwdpolicy.is_weak(P.weak)
    expect_error(pwdpolicy.AlreadyInitializedError, 1002, pwdpolicy.initialize)
    pwdpolicy.finalize()
    expect_error(pwdpolicy.NotInitializedError, 1001, pwdpolicy.finalize)


@pytest.mark.parametrize("code, output", [
    # The C query never initialises, and would find no policy.
    ("print(pwdpolicy.get_policy(1).min_length)", "12"),
    ("pwdpolicy.initialize(dictionary=False); print(pwdpolicy.is_weak('password'))", "False"),
    ("pwdpolicy.initialize(timer=True); print(signal.getitimer(signal.ITIMER_REAL)[1], "
     "pwdpolicy.is_weak('password'))", "3600.0 True"),
    ("print(signal.getitimer(signal.ITIMER_REAL)[1], pwdpolicy.is_strong('Blue-Kettle-42'))", "0.0 True"),
])
def test_in_a_fresh_process(config, code, output):
    ran = subprocess.run([sys.executable, "-c", f"import signal, pwdpolicy; {code}"],
                         capture_output=True, text=True, check=True)
    assert ran.stdout.strip() == output
