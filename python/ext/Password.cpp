#include "Password.h"

#include <pwdpolicy.h>

#include <cstring>
#include <string>

#include "Bridge.h"

namespace pwdpolicy_python {

namespace {

const char* TextBytes(PyObject* object, const char* what) {
    const char* bytes = nullptr;
    Py_ssize_t size = 0;
    if (PyUnicode_Check(object)) {
        // Kept inside the str (for ASCII text it is the str's own buffer).
        bytes = PyUnicode_AsUTF8AndSize(object, &size);
    } else if (PyBytes_Check(object)) {
        bytes = PyBytes_AS_STRING(object);
        size = PyBytes_GET_SIZE(object);
    } else {
        PyErr_Format(PyExc_TypeError, "%s must be str or bytes, not %s", what, Py_TYPE(object)->tp_name);
        return nullptr;
    }
    if (bytes == nullptr) return nullptr;
    if (std::memchr(bytes, '\0', static_cast<size_t>(size)) != nullptr) {
        return RaiseCode(PPC_ERR_BAD_ARGUMENT, std::string(what) + " holds a NUL character");
    }
    return bytes;
}

}  // namespace

const char* PasswordBytes(PyObject* object) { return TextBytes(object, "password"); }

bool OptionalText(PyObject* object, const char* what, const char** text) {
    *text = nullptr;
    if (object == nullptr || object == Py_None) return true;
    *text = TextBytes(object, what);
    return *text != nullptr;
}

}  // namespace pwdpolicy_python
