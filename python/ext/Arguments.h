// Argument parsing for the module's functions, which Python calls with the
// vectorcall convention (METH_FASTCALL | METH_KEYWORDS): no tuple or dict is
// built for a call, which keeps a check's cost near an ordinary call's.
#ifndef PWDPOLICY_PYTHON_ARGUMENTS_H
#define PWDPOLICY_PYTHON_ARGUMENTS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace pwdpolicy_python {

// A function's parameters in order. Those before `required` must be given;
// those from `keywordOnly` on can only be given by name.
struct Signature {
    const char* function;
    const char* const* names;
    int count;
    int required;
    int keywordOnly;
};

// Puts the argument of each parameter in values[0..count) (borrowed; null
// where none was given). Returns false with TypeError set, in Python's own
// words, for too many positional arguments, an unknown or repeated keyword,
// or a missing required argument.
bool ParseArguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                    PyObject** values);

// The C int of an integer argument (any object with __index__); `fallback`
// when absent. False with OverflowError or TypeError set.
bool IntArgument(PyObject* value, int fallback, int* out);

// The truth of a flag argument, as `if value:` sees it; `fallback` when absent.
bool FlagArgument(PyObject* value, bool fallback, bool* out);

}  // namespace pwdpolicy_python

#endif  // PWDPOLICY_PYTHON_ARGUMENTS_H
