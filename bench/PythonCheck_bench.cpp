// The policy check through the Python module against the same check through
// the C interface, in one process: the interpreter is embedded and imports
// the module from the build tree. The Python cases time a loop of 1,000
// calls written in Python, as a program pays for them; "per_call" is per call.
// The floor is the same loop calling the builtin len(), the least any call
// from Python costs; the binding case calls the function from C, without the
// interpreter's loop; the GIL case is the release and re-acquisition that
// every call of the module pays.
//
// Writes the fixed configuration path in a private mount namespace
// (testenv::MakeConfigFolderPrivate; needs root).
#include <Python.h>
#include <benchmark/benchmark.h>

#include <cstdio>

#include "TestEnv.h"
#include "pwdpolicy.h"

namespace {

constexpr const char kPassword[] = "Blue-Kettle-42";  // matches policy 0: the whole scan
constexpr int kCallsPerLoop = 1000;

PyObject* checkFunction = nullptr;  // pwdpolicy.check
PyObject* password = nullptr;       // kPassword as a str
PyObject* checkLoop = nullptr;      // loop(n): n calls of check(password)
PyObject* lenLoop = nullptr;        // loop(n): n calls of len(password)
PyObject* callCount = nullptr;      // kCallsPerLoop as an int

// Seconds per call, shown with an SI prefix ("284n": 284 ns).
void SetPerCall(benchmark::State& state, int callsPerIteration) {
    state.counters["per_call"] = benchmark::Counter(
        callsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_C_IsMatchPolicy(benchmark::State& state) {
    unsigned int verdict = 0;
    for (auto _ : state) {
        unsigned int code = PPC_IsMatchPolicy(kPassword, 0, 0, &verdict);
        benchmark::DoNotOptimize(code);
        benchmark::DoNotOptimize(verdict);
    }
    SetPerCall(state, 1);
}
BENCHMARK(BM_C_IsMatchPolicy);

// Calls `callable(argument)` once an iteration; each such call makes
// `callsPerIteration` calls of the function measured.
void CallEach(benchmark::State& state, PyObject* callable, PyObject* argument, int callsPerIteration) {
    for (auto _ : state) {
        PyObject* result = PyObject_CallOneArg(callable, argument);
        if (result == nullptr) {
            PyErr_Print();
            state.SkipWithError("the Python call raised");
            break;
        }
        Py_DECREF(result);
    }
    SetPerCall(state, callsPerIteration);
}

void BM_Py_CheckLoop(benchmark::State& state) { CallEach(state, checkLoop, callCount, kCallsPerLoop); }
BENCHMARK(BM_Py_CheckLoop);

void BM_Py_LenLoopFloor(benchmark::State& state) { CallEach(state, lenLoop, callCount, kCallsPerLoop); }
BENCHMARK(BM_Py_LenLoopFloor);

void BM_Binding_CheckFromC(benchmark::State& state) { CallEach(state, checkFunction, password, 1); }
BENCHMARK(BM_Binding_CheckFromC);

void BM_GilReleaseAcquire(benchmark::State& state) {
    for (auto _ : state) {
        PyThreadState* saved = PyEval_SaveThread();
        benchmark::ClobberMemory();
        PyEval_RestoreThread(saved);
    }
    SetPerCall(state, 1);
}
BENCHMARK(BM_GilReleaseAcquire);

// Defines the loops in a module of their own, with the names they use bound
// as globals (the way a program's module-level loop finds them).
bool PreparePython() {
    PyRun_SimpleString("import sys; sys.path.insert(0, '" PWDPOLICY_PYTHON_DIR "')");
    PyObject* globals = PyDict_New();
    PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins());
    PyObject* text = PyUnicode_FromString(kPassword);
    PyDict_SetItemString(globals, "password", text);
    Py_XDECREF(text);
    const char* source =
        "from pwdpolicy import check\n"
        "def check_loop(n):\n"
        "    for _ in range(n):\n"
        "        check(password)\n"
        "def len_loop(n):\n"
        "    for _ in range(n):\n"
        "        len(password)\n";
    PyObject* result = PyRun_String(source, Py_file_input, globals, globals);
    if (result == nullptr) {
        PyErr_Print();
        return false;
    }
    Py_DECREF(result);
    checkFunction = PyDict_GetItemString(globals, "check");
    password = PyDict_GetItemString(globals, "password");
    checkLoop = PyDict_GetItemString(globals, "check_loop");
    lenLoop = PyDict_GetItemString(globals, "len_loop");
    callCount = PyLong_FromLong(kCallsPerLoop);
    return checkFunction && password && checkLoop && lenLoop && callCount;
}

}  // namespace

int main(int argc, char** argv) {
    if (!testenv::MakeConfigFolderPrivate()) return 1;
    testenv::ConfigFile config;
    config.Write("[BASIC]\nweakPwdDic=" PWDPOLICY_SAMPLE_DICTIONARY
                 "\n[POLICY0]\nminlen=8\nmaxlen=32\nminclass=3\n");
    if (PPC_Initialize(nullptr, 0, 1) != PPC_OK) {
        fprintf(stderr, "PPC_Initialize failed\n");
        return 1;
    }
    Py_Initialize();
    if (!PreparePython()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
