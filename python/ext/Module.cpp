// pwdpolicy._pwdpolicy: the Python functions over the public C interface,
// on the CPython API alone. Each function parses its arguments, calls one
// PPC_ function without the GIL, and turns a result code other than PPC_OK
// into a pwdpolicy.Error. The package (pwdpolicy/__init__.py) re-exports
// everything here.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pwdpolicy.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Bridge.h"
#include "Password.h"

namespace {

using pwdpolicy_python::FlagArgument;
using pwdpolicy_python::IntArgument;
using pwdpolicy_python::OptionalText;
using pwdpolicy_python::ParseArguments;
using pwdpolicy_python::PasswordBytes;
using pwdpolicy_python::RaiseCode;
using pwdpolicy_python::Signature;

// Every call into the library goes through here, so that no function can
// forget to let other Python threads run meanwhile: a call may pay for a
// reload (a large dictionary: a fraction of a second) or fill a long buffer.
template <class Call>
unsigned int WithoutGil(Call&& call) {
    unsigned int code;
    Py_BEGIN_ALLOW_THREADS
    code = call();
    Py_END_ALLOW_THREADS
    return code;
}

// Whether the component has been initialised, by initialize() or by the step
// below, since the last finalize(). Read and written without the GIL.
std::atomic<bool> initialised{false};

// The checks initialise the component on demand with the dictionary; the
// generators would do it without, so that every later weak check of the
// process answers "not weak", and PPC_GetPolicy not at all, answering "no
// policy" before anything else ran. Here whichever function a Python program
// calls first leaves the component as the checks do. A failure is left to
// the call that follows, which reports it in its own terms.
// REQUIRES: the GIL released.
void InitialiseLikeTheChecks() {
    if (initialised.load(std::memory_order_acquire)) return;
    const unsigned int code = PPC_Initialize(nullptr, 0, 1);
    if (code == PPC_OK || code == PPC_ERR_ALREADY_INITIALIZED) {
        initialised.store(true, std::memory_order_release);
    }
}

std::string PolicyDetail(int policyId) { return "policy " + std::to_string(policyId); }

PyObject* Check(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const char* const kNames[] = {"password", "policy", "special_check"};
    static const Signature kSignature{"check", kNames, 3, 1, 3};
    PyObject* values[3];
    int policyId = 0;
    bool specialCheck = false;
    if (!ParseArguments(kSignature, args, nargs, kwnames, values) || !IntArgument(values[1], 0, &policyId) ||
        !FlagArgument(values[2], false, &specialCheck)) {
        return nullptr;
    }
    const char* pwd = PasswordBytes(values[0]);
    if (pwd == nullptr) return nullptr;
    unsigned int verdict = PPC_MATCH;
    const unsigned int code =
        WithoutGil([&] { return PPC_IsMatchPolicy(pwd, policyId, specialCheck ? 1 : 0, &verdict); });
    if (code != PPC_OK) return RaiseCode(code, PolicyDetail(policyId));
    return pwdpolicy_python::VerdictObject(verdict);
}

// is_weak and is_strong: one password in, a yes or no out.
template <unsigned int (*Query)(const char*, unsigned int*)>
PyObject* YesNo(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, const char* function,
                const char* detail) {
    static const char* const kNames[] = {"password"};
    const Signature signature{function, kNames, 1, 1, 1};
    PyObject* password = nullptr;
    if (!ParseArguments(signature, args, nargs, kwnames, &password)) return nullptr;
    const char* pwd = PasswordBytes(password);
    if (pwd == nullptr) return nullptr;
    unsigned int answer = 0;
    const unsigned int code = WithoutGil([&] { return Query(pwd, &answer); });
    if (code != PPC_OK) return RaiseCode(code, detail);
    return PyBool_FromLong(answer == 1);
}

PyObject* IsWeak(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return YesNo<PPC_IsWeakPwd>(args, nargs, kwnames, "is_weak", "weak check");
}

PyObject* IsStrong(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return YesNo<PPC_IsStrongPwd>(args, nargs, kwnames, "is_strong", "strong check (policy 0)");
}

// judge: every reason at once, with the password's context.
PyObject* Judge(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const char* const kNames[] = {"password", "policy", "special_check", "user",
                                         "full_name", "context", "old_password"};
    static const Signature kSignature{"judge", kNames, 7, 1, 3};
    PyObject* values[7];
    int policyId = 0;
    bool specialCheck = false;
    if (!ParseArguments(kSignature, args, nargs, kwnames, values) || !IntArgument(values[1], 0, &policyId) ||
        !FlagArgument(values[2], false, &specialCheck)) {
        return nullptr;
    }
    const char* pwd = PasswordBytes(values[0]);
    PPC_PasswordContext context{};
    if (pwd == nullptr || !OptionalText(values[3], "user", &context.userName) ||
        !OptionalText(values[4], "full_name", &context.fullName) ||
        !OptionalText(values[6], "old_password", &context.oldPassword)) {
        return nullptr;
    }
    // The words' bytes live in their objects, which this list keeps alive
    // while the GIL is released.
    PyObject* words = values[5] != nullptr ? PySequence_List(values[5]) : PyList_New(0);
    if (words == nullptr) return nullptr;
    std::vector<const char*> texts(static_cast<size_t>(PyList_GET_SIZE(words)));
    for (size_t at = 0; at < texts.size(); ++at) {
        if (!OptionalText(PyList_GET_ITEM(words, at), "a context word", &texts[at]) || texts[at] == nullptr) {
            if (!PyErr_Occurred()) PyErr_SetString(PyExc_TypeError, "a context word must be str or bytes");
            Py_DECREF(words);
            return nullptr;
        }
    }
    context.words = texts.data();
    context.wordCount = static_cast<unsigned int>(texts.size());
    PPC_Judgement judgement{};
    const unsigned int code = WithoutGil([&] {
        InitialiseLikeTheChecks();
        return PPC_JudgePassword(pwd, policyId, specialCheck ? 1 : 0, &context, &judgement);
    });
    Py_DECREF(words);
    if (code != PPC_OK) return RaiseCode(code, PolicyDetail(policyId));
    return pwdpolicy_python::JudgementObject(judgement.verdict, judgement.reasons, judgement.reasonCount);
}

// Wipes and frees a generated password: the library's buffer is not the
// copy the caller keeps.
struct GeneratedPassword {
    char* bytes = nullptr;
    unsigned int length = 0;
    ~GeneratedPassword() {
        if (bytes == nullptr) return;
        explicit_bzero(bytes, length);
        std::free(bytes);
    }
};

PyObject* Generate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const char* const kNames[] = {"policy", "length", "generator"};
    static const Signature kSignature{"generate", kNames, 3, 0, 2};
    PyObject* values[3];
    int policyId = 0;
    if (!ParseArguments(kSignature, args, nargs, kwnames, values) || !IntArgument(values[0], 0, &policyId)) {
        return nullptr;
    }
    // Lengths the library takes as lengths; 0 to 5 ask for the policy's
    // minimum. Larger values would be read back as negative and replaced.
    long long length = 0;
    if (values[1] != nullptr) {
        int overflow = 0;  // an integer beyond long long reads as -1
        length = PyLong_AsLongLongAndOverflow(values[1], &overflow);
        if (length == -1 && PyErr_Occurred()) return nullptr;
        if (length < 0 || length > INT_MAX) {
            PyObject* shown = PyObject_Repr(values[1]);
            const char* text = shown != nullptr ? PyUnicode_AsUTF8(shown) : nullptr;
            RaiseCode(PPC_ERR_BAD_ARGUMENT,
                      std::string("length ") + (text != nullptr ? text : "?") + " (0 to 2147483647)");
            Py_XDECREF(shown);
            return nullptr;
        }
    }
    const int kernel = pwdpolicy_python::IsKernelGenerator(values[2]);
    if (kernel < 0) return nullptr;
    GeneratedPassword generated;
    generated.length = static_cast<unsigned int>(length);
    const unsigned int code = WithoutGil([&] {
        InitialiseLikeTheChecks();
        return kernel == 1 ? PPC_GenCryptoPwdByPolicy(policyId, &generated.bytes, &generated.length)
                           : PPC_GenSecPwdByPolicy(policyId, &generated.bytes, &generated.length);
    });
    if (code != PPC_OK) return RaiseCode(code, PolicyDetail(policyId));
    // A policy's special set may hold bytes that do not form UTF-8 on their own.
    return PyUnicode_DecodeUTF8(generated.bytes, generated.length, "strict");
}

PyObject* GetPolicy(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const char* const kNames[] = {"policy"};
    static const Signature kSignature{"get_policy", kNames, 1, 0, 1};
    PyObject* value = nullptr;
    int policyId = 0;
    if (!ParseArguments(kSignature, args, nargs, kwnames, &value) || !IntArgument(value, 0, &policyId)) {
        return nullptr;
    }
    int limits[5] = {};
    const char* special = nullptr;
    const unsigned int code = WithoutGil([&] {
        InitialiseLikeTheChecks();
        return PPC_GetPolicy(policyId, limits, 5, &special);
    });
    if (code != PPC_OK) return RaiseCode(code, PolicyDetail(policyId));
    return pwdpolicy_python::PolicyObject(policyId, limits, special);
}

PyObject* Initialize(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static const char* const kNames[] = {"timer", "dictionary"};
    static const Signature kSignature{"initialize", kNames, 2, 0, 0};
    PyObject* values[2];
    bool timer = false;
    bool dictionary = true;
    if (!ParseArguments(kSignature, args, nargs, kwnames, values) || !FlagArgument(values[0], false, &timer) ||
        !FlagArgument(values[1], true, &dictionary)) {
        return nullptr;
    }
    const unsigned int code = WithoutGil([&] { return PPC_Initialize(nullptr, timer ? 1 : 0, dictionary ? 1 : 0); });
    if (code != PPC_OK) return RaiseCode(code, "initialize");
    initialised.store(true, std::memory_order_release);
    Py_RETURN_NONE;
}

PyObject* Finalize(PyObject*, PyObject*) {
    const unsigned int code = WithoutGil([] { return PPC_Finalize(); });
    initialised.store(false, std::memory_order_release);
    if (code != PPC_OK) return RaiseCode(code, "finalize");
    Py_RETURN_NONE;
}

PyObject* RunDueTick(PyObject*, PyObject*) {
    const unsigned int code = WithoutGil([] { return PPC_RunDueTick(); });
    if (code != PPC_OK) return RaiseCode(code, "run_due_tick");
    Py_RETURN_NONE;
}

template <class Function>
PyCFunction AsMethod(Function function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

constexpr int kFastCall = METH_FASTCALL | METH_KEYWORDS;

// Adding a function of the C interface is one more entry here and one line
// in _pwdpolicy.pyi (python/tests/test_module.py compares the two). Each
// docstring starts with the signature, as Python's own builtins do, so that
// help() and inspect.signature() show it.
PyMethodDef methods[] = {
    {"check", AsMethod(Check), kFastCall,
     R"(check(password, policy=0, special_check=False)
--

Judges a password against a policy and returns the Verdict: Verdict.MATCH, or
the first rule it breaks (TOO_SHORT, BAD_SPECIAL_CHAR, TOO_FEW_CLASSES,
TOO_LONG, in that order). password is a str (judged as its UTF-8 bytes:
lengths count bytes) or bytes. With special_check every character that is not
an ASCII letter or digit must be in the policy's special set; without it, any
such character counts as special. Initialises the component when needed.
Raises NoPolicyError for an absent policy, BadArgumentError for a password
holding a NUL character, TypeError for a password that is not str or bytes.)"},
    {"is_weak", AsMethod(IsWeak), kFastCall,
     R"(is_weak(password)
--

True when the password, leading and trailing blanks ignored, is in the
weak-password dictionary (or the breach table). Initialises the component
when needed.)"},
    {"is_strong", AsMethod(IsStrong), kFastCall,
     R"(is_strong(password)
--

True when the password has the length (the maximum aside) and character
classes policy 0 asks for and is not weak. Raises NoPolicyError when there is
no policy 0.)"},
    {"judge", AsMethod(Judge), kFastCall,
     R"(judge(password, policy=0, special_check=False, *, user=None, full_name=None, context=(), old_password=None)
--

Judges a password with every rule of a policy at once and returns a
Judgement: the verdict check would give, and every Reason that applies (the
policy's own first, then repeats and sequences, the dictionary and the breach
table, and, when the policy asks for context checks, the user name, the full
name, the further context words and the old password). judgement.passes is
True when there is none. The texts are str or bytes; none is kept. Raises
NoPolicyError for an absent policy, BadArgumentError for a text holding a NUL
character.)"},
    {"generate", AsMethod(Generate), kFastCall,
     R"(generate(policy=0, length=0, *, generator=None)
--

Generates a password for a policy: at least one lower-case letter, upper-case
letter and digit, and one of the policy's special characters when it has any.
length 0 to 5 asks for the policy's minimum length; other lengths are
generated as asked, whatever the policy's limits. generator is
Generator.KERNEL (also when None: every character from the kernel's random
source, for passwords that people or accounts will hold) or Generator.RAND
(the C library's rand(): reproducible after srand(), never secret).
Raises NoPolicyError, AllocError (MemoryError) when the buffer cannot be had,
BadArgumentError for a length outside 0 to 2147483647, and UnicodeDecodeError
when the policy's special set holds bytes that are not UTF-8 on their own.)"},
    {"get_policy", AsMethod(GetPolicy), kFastCall,
     R"(get_policy(policy=0)
--

Returns the Policy with that id: lengths, classes and special characters.
Raises NoPolicyError when the configuration has no such policy.)"},
    {"initialize", AsMethod(Initialize), kFastCall,
     R"(initialize(*, timer=False, dictionary=True)
--

Loads the configuration (and the dictionary, unless dictionary is False).
With timer=True the component also watches both files and reloads them when
they change, on a SIGALRM timer it owns for the whole process. Optional: the
first check, generation or policy query initialises the component with the
dictionary and without the timer. Raises AlreadyInitializedError when it is
initialised already, DataLoadError when the files cannot be loaded,
TimerError or FileMonitorError.)"},
    {"finalize", Finalize, METH_NOARGS,
     R"(finalize()
--

Stops watching the files and marks the component uninitialised; the policies
and the dictionary stay in force. Raises NotInitializedError when it was not
initialised.)"},
    {"run_due_tick", RunDueTick, METH_NOARGS,
     R"(run_due_tick()
--

Runs a reload check that the timer marked due, now, on this thread. For a
maintenance thread, so that no request pays for a reload: after the first
call only such calls run them.)"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef moduleDef = {
    PyModuleDef_HEAD_INIT, "pwdpolicy._pwdpolicy",
    "The functions of the pwdpolicy package; import pwdpolicy instead.", -1, methods,
    nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__pwdpolicy() {
    if (!pwdpolicy_python::LoadTypes()) return nullptr;
    PyObject* module = PyModule_Create(&moduleDef);
    if (module == nullptr) return nullptr;
    if (PyModule_AddStringConstant(module, "CONFIG_PATH", PPC_CONFIG_PATH) != 0 ||
        PyModule_AddStringConstant(module, "VERSION", PPC_VERSION) != 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}
