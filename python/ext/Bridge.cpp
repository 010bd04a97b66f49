#include "Bridge.h"

#include <pwdpolicy.h>

#include <cstring>

namespace py = pybind11;

namespace pwdpolicy_python {
namespace {

// Strong references taken at import and never released: extension state
// must not be destroyed after the interpreter that owns the objects.
constexpr unsigned int kVerdictCount = PPC_BAD_SPECIAL_CHAR + 1;
PyObject* verdicts[kVerdictCount] = {};
PyObject* verdictType = nullptr;
PyObject* policyType = nullptr;
PyObject* errorFor = nullptr;
PyObject* kernelGenerator = nullptr;
PyObject* randGenerator = nullptr;

// Keeps a strong reference for good.
PyObject* Keep(py::object object) { return object.release().ptr(); }

}  // namespace

void LoadTypes() {
    const py::module_ types = py::module_::import("pwdpolicy._types");
    verdictType = Keep(types.attr("Verdict"));
    for (unsigned int value = 0; value < kVerdictCount; ++value) {
        verdicts[value] = Keep(py::handle(verdictType)(value));
    }
    policyType = Keep(types.attr("Policy"));
    errorFor = Keep(types.attr("error_for"));
    kernelGenerator = Keep(types.attr("Generator").attr("KERNEL"));
    randGenerator = Keep(types.attr("Generator").attr("RAND"));
}

py::object VerdictObject(unsigned int verdict) {
    if (verdict < kVerdictCount) return py::reinterpret_borrow<py::object>(verdicts[verdict]);
    return py::handle(verdictType)(verdict);  // ValueError: a verdict this module does not know
}

py::object PolicyObject(int policyId, const int (&limits)[5], const char* specialChars) {
    const py::object special = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(specialChars, static_cast<Py_ssize_t>(std::strlen(specialChars)), "surrogateescape"));
    if (!special) throw py::error_already_set();
    return py::handle(policyType)(policyId, limits[0], limits[1], limits[2], limits[3], limits[4], special);
}

bool IsKernelGenerator(py::handle generator) {
    if (generator.is_none() || generator.ptr() == kernelGenerator) return true;
    if (generator.ptr() == randGenerator) return false;
    throw py::type_error("generator must be pwdpolicy.Generator.KERNEL or pwdpolicy.Generator.RAND");
}

void RaiseCode(unsigned int code, const std::string& detail) {
    const py::object error = py::handle(errorFor)(code, detail);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

}  // namespace pwdpolicy_python
