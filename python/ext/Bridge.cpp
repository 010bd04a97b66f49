#include "Bridge.h"

#include <pwdpolicy.h>

#include <cstring>

namespace pwdpolicy_python {
namespace {

// Strong references taken at import and never released: the extension is
// never unloaded, and its state must not outlive the interpreter's objects.
constexpr unsigned int kVerdictCount = PPC_INVALID_UTF8 + 1;
PyObject* verdicts[kVerdictCount] = {};
PyObject* verdictType = nullptr;
PyObject* policyType = nullptr;
PyObject* reasonType = nullptr;
PyObject* judgementType = nullptr;
PyObject* errorFor = nullptr;
PyObject* kernelGenerator = nullptr;
PyObject* randGenerator = nullptr;

bool Keep(PyObject* from, const char* name, PyObject** into) {
    *into = PyObject_GetAttrString(from, name);
    return *into != nullptr;
}

}  // namespace

bool LoadTypes() {
    PyObject* types = PyImport_ImportModule("pwdpolicy._types");
    if (types == nullptr) return false;
    PyObject* generator = nullptr;
    bool loaded = Keep(types, "Verdict", &verdictType) && Keep(types, "Policy", &policyType) &&
                  Keep(types, "Reason", &reasonType) && Keep(types, "Judgement", &judgementType) &&
                  Keep(types, "error_for", &errorFor) && Keep(types, "Generator", &generator) &&
                  Keep(generator, "KERNEL", &kernelGenerator) && Keep(generator, "RAND", &randGenerator);
    for (unsigned int value = 0; loaded && value < kVerdictCount; ++value) {
        verdicts[value] = PyObject_CallFunction(verdictType, "I", value);
        loaded = verdicts[value] != nullptr;
    }
    Py_XDECREF(generator);
    Py_DECREF(types);
    return loaded;
}

PyObject* VerdictObject(unsigned int verdict) {
    if (verdict < kVerdictCount) {
        Py_INCREF(verdicts[verdict]);
        return verdicts[verdict];
    }
    return PyObject_CallFunction(verdictType, "I", verdict);  // ValueError: a verdict this module does not know
}

PyObject* JudgementObject(unsigned int verdict, const unsigned int* reasons, unsigned int count) {
    PyObject* tuple = PyTuple_New(count);
    if (tuple == nullptr) return nullptr;
    for (unsigned int at = 0; at < count; ++at) {
        PyObject* reason = PyObject_CallFunction(reasonType, "I", reasons[at]);
        if (reason == nullptr) {
            Py_DECREF(tuple);
            return nullptr;
        }
        PyTuple_SET_ITEM(tuple, at, reason);
    }
    PyObject* verdictObject = VerdictObject(verdict);
    if (verdictObject == nullptr) {
        Py_DECREF(tuple);
        return nullptr;
    }
    return PyObject_CallFunction(judgementType, "NN", verdictObject, tuple);
}

PyObject* PolicyObject(int policyId, const int (&limits)[5], const char* specialChars) {
    PyObject* special = PyUnicode_DecodeUTF8(specialChars, static_cast<Py_ssize_t>(std::strlen(specialChars)),
                                             "surrogateescape");
    if (special == nullptr) return nullptr;
    PyObject* policy = PyObject_CallFunction(policyType, "iiiiiiN", policyId, limits[0], limits[1], limits[2],
                                             limits[3], limits[4], special);
    return policy;
}

int IsKernelGenerator(PyObject* generator) {
    if (generator == nullptr || generator == Py_None || generator == kernelGenerator) return 1;
    if (generator == randGenerator) return 0;
    PyErr_SetString(PyExc_TypeError, "generator must be pwdpolicy.Generator.KERNEL or pwdpolicy.Generator.RAND");
    return -1;
}

std::nullptr_t RaiseCode(unsigned int code, const std::string& detail) {
    PyObject* error = PyObject_CallFunction(errorFor, "Is#", code, detail.data(),
                                            static_cast<Py_ssize_t>(detail.size()));
    if (error != nullptr) {
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error)), error);
        Py_DECREF(error);
    }
    return nullptr;
}

}  // namespace pwdpolicy_python
