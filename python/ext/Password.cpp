#include "Password.h"

#include <pwdpolicy.h>

#include <cstring>

#include "Bridge.h"

namespace pwdpolicy_python {

Password::Password(pybind11::handle object) {
    Py_ssize_t size = 0;
    if (PyUnicode_Check(object.ptr())) {
        // Kept inside the str (for ASCII text it is the str's own buffer).
        bytes_ = PyUnicode_AsUTF8AndSize(object.ptr(), &size);
    } else if (PyBytes_Check(object.ptr())) {
        char* bytes = nullptr;
        if (PyBytes_AsStringAndSize(object.ptr(), &bytes, &size) == 0) bytes_ = bytes;
    } else {
        throw pybind11::type_error(std::string("password must be str or bytes, not ") +
                                   Py_TYPE(object.ptr())->tp_name);
    }
    if (bytes_ == nullptr) throw pybind11::error_already_set();
    if (std::memchr(bytes_, '\0', static_cast<size_t>(size)) != nullptr) {
        RaiseCode(PPC_ERR_BAD_ARGUMENT, "password holds a NUL character");
    }
}

}  // namespace pwdpolicy_python
