#include "Password.h"

#include <pwdpolicy.h>

#include <cstring>

#include "Bridge.h"

namespace pwdpolicy_python {

const char* PasswordBytes(PyObject* object) {
    const char* bytes = nullptr;
    Py_ssize_t size = 0;
    if (PyUnicode_Check(object)) {
        // Kept inside the str (for ASCII text it is the str's own buffer).
        bytes = PyUnicode_AsUTF8AndSize(object, &size);
    } else if (PyBytes_Check(object)) {
        bytes = PyBytes_AS_STRING(object);
        size = PyBytes_GET_SIZE(object);
    } else {
        PyErr_Format(PyExc_TypeError, "password must be str or bytes, not %s", Py_TYPE(object)->tp_name);
        return nullptr;
    }
    if (bytes == nullptr) return nullptr;
    if (std::memchr(bytes, '\0', static_cast<size_t>(size)) != nullptr) {
        return RaiseCode(PPC_ERR_BAD_ARGUMENT, "password holds a NUL character");
    }
    return bytes;
}

}  // namespace pwdpolicy_python
