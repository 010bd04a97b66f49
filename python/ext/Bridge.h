// The Python module's own types, defined in Python (pwdpolicy/_types.py) so
// that they are real enum members, named tuples and exception classes with
// their documentation in one readable place; the extension builds its
// results and raises its errors through them.
#ifndef PWDPOLICY_PYTHON_BRIDGE_H
#define PWDPOLICY_PYTHON_BRIDGE_H

#include <pybind11/pybind11.h>

#include <string>

namespace pwdpolicy_python {

// Imports pwdpolicy._types and keeps what the functions below need for the
// life of the process. Call once, from the module's initialisation.
void LoadTypes();

// The pwdpolicy.Verdict member for a verdict of PPC_IsMatchPolicy (a new
// reference to the enum's own object: `is` comparisons hold).
pybind11::object VerdictObject(unsigned int verdict);

// pwdpolicy.Policy(id, min_length, ..., special_chars) from PPC_GetPolicy's
// answer; the special set's bytes are decoded as UTF-8, undecodable bytes
// kept as surrogate escapes.
pybind11::object PolicyObject(int policyId, const int (&limits)[5], const char* specialChars);

// Whether `generator` is pwdpolicy.Generator.KERNEL or None (true) or
// Generator.RAND (false); TypeError for anything else.
bool IsKernelGenerator(pybind11::handle generator);

// Raises the pwdpolicy.Error subclass for result code `code` (the base class
// for a code it does not know), with `detail` saying what was asked.
// REQUIRES: the GIL.
[[noreturn]] void RaiseCode(unsigned int code, const std::string& detail);

}  // namespace pwdpolicy_python

#endif  // PWDPOLICY_PYTHON_BRIDGE_H
