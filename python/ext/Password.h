// A password argument of the Python module, as the library takes it.
#ifndef PWDPOLICY_PYTHON_PASSWORD_H
#define PWDPOLICY_PYTHON_PASSWORD_H

#include <pybind11/pybind11.h>

namespace pwdpolicy_python {

// The bytes of a password given as str (its UTF-8 encoding) or bytes (as
// given), NUL-terminated. Points into the Python object, which the caller's
// argument keeps alive and which cannot change (both types are immutable),
// so it stays valid while the GIL is released; nothing is copied, so no copy
// of the password is left behind in freed memory.
// REQUIRES: the GIL, to construct. Raises TypeError for any other type,
// UnicodeEncodeError for a str that has no UTF-8 form (lone surrogates), and
// pwdpolicy.BadArgumentError for a NUL inside the password, which the
// library would otherwise take as its end and judge a shorter password.
class Password {
public:
    explicit Password(pybind11::handle object);

    const char* Bytes() const { return bytes_; }

private:
    const char* bytes_ = nullptr;
};

}  // namespace pwdpolicy_python

#endif  // PWDPOLICY_PYTHON_PASSWORD_H
