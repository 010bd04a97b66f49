// pwdpolicy._pwdpolicy: the Python functions over the public C interface.
// Each function converts its arguments, calls one PPC_ function without the
// GIL, and turns a result code other than PPC_OK into a pwdpolicy.Error.
// The package (pwdpolicy/__init__.py) re-exports everything here.
#include <pybind11/pybind11.h>
#include <pwdpolicy.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Bridge.h"
#include "Password.h"

namespace py = pybind11;
using pwdpolicy_python::Password;
using pwdpolicy_python::RaiseCode;

namespace {

// Every call into the library goes through here, so that no function can
// forget to let other Python threads run meanwhile: a call may pay for a
// reload (a large dictionary: a fraction of a second) or fill a long buffer.
template <class Call>
unsigned int WithoutGil(Call&& call) {
    py::gil_scoped_release release;
    return call();
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

py::object Check(py::handle password, int policyId, bool specialCheck) {
    const Password pwd(password);
    unsigned int verdict = PPC_MATCH;
    const unsigned int code = WithoutGil(
        [&] { return PPC_IsMatchPolicy(pwd.Bytes(), policyId, specialCheck ? 1 : 0, &verdict); });
    if (code != PPC_OK) RaiseCode(code, PolicyDetail(policyId));
    return pwdpolicy_python::VerdictObject(verdict);
}

bool IsWeak(py::handle password) {
    const Password pwd(password);
    unsigned int isWeak = 0;
    const unsigned int code = WithoutGil([&] { return PPC_IsWeakPwd(pwd.Bytes(), &isWeak); });
    if (code != PPC_OK) RaiseCode(code, "weak check");
    return isWeak == 1;
}

bool IsStrong(py::handle password) {
    const Password pwd(password);
    unsigned int isStrong = 0;
    const unsigned int code = WithoutGil([&] { return PPC_IsStrongPwd(pwd.Bytes(), &isStrong); });
    if (code != PPC_OK) RaiseCode(code, "strong check (policy 0)");
    return isStrong == 1;
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

py::str Generate(int policyId, long long length, py::handle generator) {
    // Lengths the library takes as lengths; 0 to 5 ask for the policy's
    // minimum. Larger values would be read back as negative and replaced.
    if (length < 0 || length > INT_MAX) {
        RaiseCode(PPC_ERR_BAD_ARGUMENT, "length " + std::to_string(length) + " (0 to 2147483647)");
    }
    const bool kernel = pwdpolicy_python::IsKernelGenerator(generator);
    GeneratedPassword generated;
    generated.length = static_cast<unsigned int>(length);
    const unsigned int code = WithoutGil([&] {
        InitialiseLikeTheChecks();
        return kernel ? PPC_GenCryptoPwdByPolicy(policyId, &generated.bytes, &generated.length)
                      : PPC_GenSecPwdByPolicy(policyId, &generated.bytes, &generated.length);
    });
    if (code != PPC_OK) RaiseCode(code, PolicyDetail(policyId));
    // A policy's special set may hold bytes that do not form UTF-8 on their own.
    PyObject* text = PyUnicode_DecodeUTF8(generated.bytes, generated.length, "strict");
    if (text == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(text);
}

py::object GetPolicy(int policyId) {
    int limits[5] = {};
    const char* special = nullptr;
    const unsigned int code = WithoutGil([&] {
        InitialiseLikeTheChecks();
        return PPC_GetPolicy(policyId, limits, 5, &special);
    });
    if (code != PPC_OK) RaiseCode(code, PolicyDetail(policyId));
    return pwdpolicy_python::PolicyObject(policyId, limits, special);
}

void Initialize(bool timer, bool dictionary) {
    const unsigned int code = WithoutGil([&] { return PPC_Initialize(nullptr, timer ? 1 : 0, dictionary ? 1 : 0); });
    if (code != PPC_OK) RaiseCode(code, "initialize");
    initialised.store(true, std::memory_order_release);
}

void Finalize() {
    const unsigned int code = WithoutGil([] { return PPC_Finalize(); });
    initialised.store(false, std::memory_order_release);
    if (code != PPC_OK) RaiseCode(code, "finalize");
}

void RunDueTick() {
    const unsigned int code = WithoutGil([] { return PPC_RunDueTick(); });
    if (code != PPC_OK) RaiseCode(code, "run_due_tick");
}

}  // namespace

PYBIND11_MODULE(_pwdpolicy, m) {
    m.doc() = "The functions of the pwdpolicy package; import pwdpolicy instead.";
    pwdpolicy_python::LoadTypes();
    // Each docstring starts with the signature in the form Python's own
    // builtins use, so that help() shows Python's types rather than the C++
    // ones and inspect.signature() works.
    py::options options;
    options.disable_function_signatures();

    m.attr("CONFIG_PATH") = PPC_CONFIG_PATH;
    m.attr("VERSION") = PPC_VERSION;

    // Adding a function of the C interface is one more m.def here and one
    // line in _pwdpolicy.pyi (tests/test_module.py compares the two).
    m.def("check", &Check, py::arg("password"), py::arg("policy") = 0, py::arg("special_check") = false,
          R"(check(password, policy=0, special_check=False)
--

Judges a password against a policy and returns the Verdict: Verdict.MATCH, or the
first rule it breaks (TOO_SHORT, BAD_SPECIAL_CHAR, TOO_FEW_CLASSES, TOO_LONG, in
that order). password is a str (judged as its UTF-8 bytes: lengths count bytes)
or bytes. With special_check every character that is not an ASCII letter or
digit must be in the policy's special set; without it, any such character
counts as special. Initialises the component when needed.
Raises NoPolicyError for an absent policy, BadArgumentError for a password
holding a NUL character, TypeError for a password that is not str or bytes.)");
    m.def("is_weak", &IsWeak, py::arg("password"),
          R"(is_weak(password)
--

True when the password, leading and trailing blanks ignored, is in the
weak-password dictionary (or the breach table). Initialises the component when
needed.)");
    m.def("is_strong", &IsStrong, py::arg("password"),
          R"(is_strong(password)
--

True when the password has the length (the maximum aside) and character
classes policy 0 asks for and is not weak. Raises NoPolicyError when there is
no policy 0.)");
    m.def("generate", &Generate, py::arg("policy") = 0, py::arg("length") = 0, py::kw_only(),
          py::arg("generator") = py::none(),
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
when the policy's special set holds bytes that are not UTF-8 on their own.)");
    m.def("get_policy", &GetPolicy, py::arg("policy") = 0,
          R"(get_policy(policy=0)
--

Returns the Policy with that id: lengths, classes and special characters.
Raises NoPolicyError when the configuration has no such policy.)");
    m.def("initialize", &Initialize, py::kw_only(), py::arg("timer") = false, py::arg("dictionary") = true,
          R"(initialize(*, timer=False, dictionary=True)
--

Loads the configuration (and the dictionary, unless dictionary is False).
With timer=True the component also watches both files and reloads them when
they change, on a SIGALRM timer it owns for the whole process. Optional: the
first check, generation or policy query initialises the component with the
dictionary and without the timer. Raises AlreadyInitializedError when it is
initialised already, DataLoadError when the files cannot be loaded,
TimerError or FileMonitorError.)");
    m.def("finalize", &Finalize,
          R"(finalize()
--

Stops watching the files and marks the component uninitialised; the policies
and the dictionary stay in force. Raises NotInitializedError when it was not
initialised.)");
    m.def("run_due_tick", &RunDueTick,
          R"(run_due_tick()
--

Runs a reload check that the timer marked due, now, on this thread. For a
maintenance thread, so that no request pays for a reload: after the first
call only such calls run them.)");
}
