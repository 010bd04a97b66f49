#include "Arguments.h"

#include <climits>

namespace pwdpolicy_python {

bool ParseArguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                    PyObject** values) {
    const Py_ssize_t positional = PyVectorcall_NARGS(nargs);
    if (positional > signature.keywordOnly) {
        PyErr_Format(PyExc_TypeError, "%s() takes at most %d positional arguments (%zd given)",
                     signature.function, signature.keywordOnly, positional);
        return false;
    }
    for (int i = 0; i < signature.count; ++i) values[i] = i < positional ? args[i] : nullptr;
    const Py_ssize_t keywords = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        PyObject* name = PyTuple_GET_ITEM(kwnames, k);
        int index = 0;
        while (index < signature.count && PyUnicode_CompareWithASCIIString(name, signature.names[index]) != 0) {
            ++index;
        }
        if (index == signature.count) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", signature.function,
                         name);
            return false;
        }
        if (values[index] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", signature.function,
                         signature.names[index]);
            return false;
        }
        values[index] = args[positional + k];
    }
    for (int i = 0; i < signature.required; ++i) {
        if (values[i] == nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s'", signature.function,
                         signature.names[i]);
            return false;
        }
    }
    return true;
}

bool IntArgument(PyObject* value, int fallback, int* out) {
    if (value == nullptr) {
        *out = fallback;
        return true;
    }
    const long number = PyLong_AsLong(value);
    if (number == -1 && PyErr_Occurred()) return false;
    if (number < INT_MIN || number > INT_MAX) {
        PyErr_Format(PyExc_OverflowError, "%ld does not fit a C int", number);
        return false;
    }
    *out = static_cast<int>(number);
    return true;
}

bool FlagArgument(PyObject* value, bool fallback, bool* out) {
    if (value == nullptr) {
        *out = fallback;
        return true;
    }
    const int truth = PyObject_IsTrue(value);
    if (truth < 0) return false;
    *out = truth == 1;
    return true;
}

}  // namespace pwdpolicy_python
