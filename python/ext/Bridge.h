// The Python module's own types, defined in Python (pwdpolicy/_types.py) so
// that they are a real enum, a named tuple and exception classes, with their
// documentation in one readable place; the extension builds its results and
// raises its errors through them. Every function here needs the GIL.
#ifndef PWDPOLICY_PYTHON_BRIDGE_H
#define PWDPOLICY_PYTHON_BRIDGE_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <string>

namespace pwdpolicy_python {

// Imports pwdpolicy._types and keeps what the functions below need for the
// life of the process. Returns false with the import's exception set.
bool LoadTypes();

// A new reference to the pwdpolicy.Verdict member for a verdict of
// PPC_IsMatchPolicy (the enum's own object, so `is` comparisons hold).
PyObject* VerdictObject(unsigned int verdict);

// A new pwdpolicy.Judgement(verdict, reasons) from PPC_JudgePassword's
// answer.
PyObject* JudgementObject(unsigned int verdict, const unsigned int* reasons, unsigned int count);

// A new pwdpolicy.Policy(id, min_length, ..., special_chars) from
// PPC_GetPolicy's answer; the special set's bytes are decoded as UTF-8,
// undecodable bytes kept as surrogate escapes.
PyObject* PolicyObject(int policyId, const int (&limits)[5], const char* specialChars);

// Whether `generator` is pwdpolicy.Generator.KERNEL or None (1),
// Generator.RAND (0), or something else (-1, TypeError set).
int IsKernelGenerator(PyObject* generator);

// Sets the pwdpolicy.Error subclass for result code `code` (the base class
// for a code it does not know), with `detail` saying what was asked, and
// returns null for the caller to return.
std::nullptr_t RaiseCode(unsigned int code, const std::string& detail);

}  // namespace pwdpolicy_python

#endif  // PWDPOLICY_PYTHON_BRIDGE_H
