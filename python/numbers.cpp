// Real numbers from Python for the int arguments of the C calls.
#include <climits>
#include <cmath>
#include <string>

#include "bindings.h"

namespace pybind11::detail {
namespace {

[[noreturn]] void beyond_int(handle number) {
    const std::string text = repr(number).cast<std::string>();
    PyErr_SetString(PyExc_OverflowError, (text + " is beyond the C int range (-2147483648 to 2147483647)").c_str());
    throw error_already_set();
}

int from_integer(handle integer) {
    int overflow = 0;
    const long long wide = PyLong_AsLongLongAndOverflow(integer.ptr(), &overflow);
    if (wide == -1 && PyErr_Occurred() != nullptr) throw error_already_set();
    if (overflow != 0 || wide < INT_MIN || wide > INT_MAX) beyond_int(integer);
    return static_cast<int>(wide);
}

int from_real(handle real) {
    const double number = PyFloat_AsDouble(real.ptr());
    if (number == -1.0 && PyErr_Occurred() != nullptr) throw error_already_set();
    if (!std::isfinite(number)) {
        throw value_error(repr(real).cast<std::string>() + " is not a finite number");
    }
    const double rounded = std::round(number);  // half away from zero
    if (rounded < INT_MIN || rounded > INT_MAX) beyond_int(real);
    return static_cast<int>(rounded);
}

}  // namespace

bool type_caster<tevrak::python::Number>::load(handle source, bool) {
    // bool is an int to Python; text, None and the like are no numbers.
    if (PyLong_Check(source.ptr())) {
        value.value = from_integer(source);
    } else if (PyFloat_Check(source.ptr())) {
        value.value = from_real(source);
    } else if (PyIndex_Check(source.ptr())) {
        value.value = from_integer(reinterpret_steal<object>(PyNumber_Index(source.ptr())));
    } else if (isinstance(source, tevrak::python::python_types().real)) {
        value.value = from_real(source);
    } else {
        return false;
    }
    return true;
}

}  // namespace pybind11::detail
