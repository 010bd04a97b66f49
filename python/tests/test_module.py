"""The module's functions against a known configuration: verdicts, the weak
and strong checks, errors, the policy query, generation, stubs and the GIL."""

import ast
import ctypes
import inspect
import string
from pathlib import Path

import pytest

import pwdpolicy
from pwdpolicy import _pwdpolicy, Generator, Reason, Verdict
from conftest import P

pytestmark = pytest.mark.usefixtures("config")

CHECKS = [  # password, policy, special_check, verdict (test_django maps the others)
    (P.strong, 0, False, Verdict.MATCH),
    (P.blanks, 1, True, Verdict.BAD_SPECIAL_CHAR),
    (P.blanks, 1, False, Verdict.MATCH),
    (P.strong.encode(), 0, False, Verdict.MATCH),  # bytes as given
    ("ééé1aB", 0, False, Verdict.MATCH),  # 6 characters, 9 bytes of UTF-8: lengths count bytes
    (b"\xe9" * 5 + b"1aB", 0, False, Verdict.MATCH),  # not UTF-8, judged all the same
]


@pytest.mark.parametrize("password, policy, special, verdict", CHECKS)
def test_check_returns_the_verdict_member(password, policy, special, verdict):
    assert pwdpolicy.check(password, policy, special_check=special) is verdict


def test_a_verdict_prints_its_name_and_equals_the_c_value():
    assert (str(Verdict.TOO_SHORT), f"{Verdict.MATCH:>14}", Verdict.TOO_LONG == 2) == \
        ("Verdict.TOO_SHORT", " Verdict.MATCH", True)


@pytest.mark.parametrize("password, weak, strong", [
    (P.strong, False, True),
    (P.weak, True, False),
])
def test_weak_and_strong(password, weak, strong):
    assert (pwdpolicy.is_weak(password), pwdpolicy.is_strong(password)) == (weak, strong)


@pytest.mark.parametrize("args, context, verdict, reasons", [
    ((P.strong,), {}, Verdict.MATCH, ()),
    (("Quokka-Blue-42", 3), {"user": b"quokka", "full_name": "Ann Smith"}, Verdict.MATCH,
     (Reason.CONTAINS_CONTEXT,)),
    (("kettle-song-9", 3), {"context": ["Kettle-Song-9"], "old_password": "kettle-song-7"}, Verdict.MATCH,
     (Reason.EQUALS_CONTEXT, Reason.TOO_CLOSE_TO_OLD)),
])
def test_judge_gives_every_reason(args, context, verdict, reasons):
    judgement = pwdpolicy.judge(*args, **context)
    assert (judgement.verdict, judgement.reasons, judgement.passes) == (verdict, reasons, not reasons)


ERRORS = [  # call, exception, code (None: not a library error)
    (lambda: pwdpolicy.check(P.strong, 7), pwdpolicy.NoPolicyError, 3005),
    (lambda: pwdpolicy.check(P.strong + "\0x"), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.is_weak(b"\0" + P.weak.encode()), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.judge(P.strong, 7), pwdpolicy.NoPolicyError, 3005),
    (lambda: pwdpolicy.judge(P.strong, context=["a\0b"]), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.generate(length=2**31 - 1), pwdpolicy.AllocError, 51),
    (lambda: pwdpolicy.generate(length=-1), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.generate(length=2**31), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.generate(length=2**64), pwdpolicy.BadArgumentError, 1006),
    (lambda: pwdpolicy.get_policy(7), pwdpolicy.NoPolicyError, 3005),
    (lambda: pwdpolicy.check(bytearray(b"Kv9#Lumen")), TypeError, None),
    (lambda: pwdpolicy.check("\udcff" * 9), UnicodeEncodeError, None),
    (lambda: pwdpolicy.generate(generator="kernel"), TypeError, None),
    (lambda: pwdpolicy.generate(2), UnicodeDecodeError, None),  # its special set is one byte 0xE9
]


@pytest.mark.parametrize("call, error, code", ERRORS)
def test_errors_carry_the_code(call, error, code):
    with pytest.raises(error) as raised:
        call()
    assert getattr(raised.value, "code", None) == code


def test_errors_subclass_the_builtin_kinds_and_keep_unknown_codes():
    assert issubclass(pwdpolicy.NoPolicyError, LookupError)
    assert issubclass(pwdpolicy.BadArgumentError, ValueError)
    assert issubclass(pwdpolicy.AllocError, MemoryError)
    unknown = pwdpolicy._types.error_for(4242, "x")
    assert (type(unknown), unknown.code, str(unknown)) == \
        (pwdpolicy.Error, 4242, "x: the library returned an error code (code 4242)")


def test_get_policy_reports_every_field_in_order():
    assert pwdpolicy.get_policy(1) == (1, 12, 64, 4, 9, 3, "!#")
    assert pwdpolicy.get_policy().special_chars == "~!#$%^&*()-_=+\\|[{}]:,<.>? "
    assert pwdpolicy.get_policy(2).special_chars == "\udce9"  # the byte kept


@pytest.mark.parametrize("args, length, specials", [
    ({}, 8, "~!#$%^&*()-_=+\\|[{}]:,<.>? "),
    ({"policy": 1, "length": 20}, 20, "!#"),
])
def test_generate_lengths_and_classes(args, length, specials):
    password = pwdpolicy.generate(**args)
    others = set(password) - set(string.ascii_letters + string.digits)
    assert len(password) == length
    assert others and others <= set(specials), password


def test_generate_draws_from_the_kernel_unless_asked_for_rand():
    libc = ctypes.CDLL(None)
    drawn = {}
    for generator in (None, Generator.KERNEL, Generator.RAND):
        libc.srand(27)
        first = pwdpolicy.generate(length=16, generator=generator)
        libc.srand(27)
        drawn[generator] = first == pwdpolicy.generate(length=16, generator=generator)
    assert drawn == {None: False, Generator.KERNEL: False, Generator.RAND: True}


def test_the_library_runs_without_the_gil():
    try:
        process = ctypes.CDLL(None)
        armed = ctypes.c_int.in_dll(process, "ppc_gil_probe_armed")
        held = ctypes.c_int.in_dll(process, "ppc_gil_probe_held")
    except ValueError:
        pytest.skip("needs python/tests/gil_probe.c preloaded (ctest does)")
    armed.value = 1
    pwdpolicy.generate()
    armed.value = 0
    assert held.value == 0


def test_stubs_match_the_extension():
    stubs = ast.parse((Path(_pwdpolicy.__file__).parent / "_pwdpolicy.pyi").read_text())
    signatures = {}
    for node in stubs.body:
        if isinstance(node, ast.FunctionDef):
            for arg in node.args.posonlyargs + node.args.args + node.args.kwonlyargs:
                arg.annotation = None
            signatures[node.name] = f"({ast.unparse(node.args)})"
        elif isinstance(node, ast.AnnAssign) and not node.target.id.startswith("_"):
            signatures[node.target.id] = None
    public = {name for name in dir(_pwdpolicy) if not name.startswith("_")}
    assert set(signatures) == public
    for name, signature in signatures.items():
        if signature is not None:
            assert str(inspect.signature(getattr(_pwdpolicy, name))) == signature, name
