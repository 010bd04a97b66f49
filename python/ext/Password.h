// A password argument of the Python module, as the library takes it.
#ifndef PWDPOLICY_PYTHON_PASSWORD_H
#define PWDPOLICY_PYTHON_PASSWORD_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace pwdpolicy_python {

// The bytes of a password given as str (its UTF-8 encoding) or bytes (as
// given), NUL-terminated, or null with an exception set: TypeError for any
// other type, UnicodeEncodeError for a str with no UTF-8 form (lone
// surrogates), pwdpolicy.BadArgumentError for a NUL inside the password,
// which the library would take as its end, judging a shorter password.
// The bytes live inside `object`, which the caller's argument keeps alive
// and which cannot change (both types are immutable), so they stay valid
// while the GIL is released; nothing is copied, so no copy of the password
// is left behind in freed memory.
// REQUIRES: the GIL.
const char* PasswordBytes(PyObject* object);

// PasswordBytes for another text of the judge's context (`what` names it in
// the errors); null without an exception for an absent or None `object`.
// Returns false with an exception set.
bool OptionalText(PyObject* object, const char* what, const char** text);

}  // namespace pwdpolicy_python

#endif  // PWDPOLICY_PYTHON_PASSWORD_H
