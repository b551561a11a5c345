// C++ failures become the package's exceptions: tevrak::StartupError ->
// tevrak.StartupError, tevrak::LinkError -> tevrak.LinkError, tevrak::StalledError
// -> tevrak.StalledError, any other tevrak::Error -> tevrak.Error, each with .code, .unit and .function.
#include "bindings.h"

namespace tevrak::python {
namespace {

void raise(py::handle type, const tevrak::Error &failure) {
    const py::object error = type(failure.what(), failure.code(), failure.unit(), failure.function());
    PyErr_SetObject(type.ptr(), error.ptr());
}

}  // namespace

void bind_errors(py::module_ &) {
    py::register_exception_translator([](std::exception_ptr thrown) {
        if (!thrown) return;
        const PythonTypes &types = python_types();
        try {
            std::rethrow_exception(thrown);
        } catch (const tevrak::StartupError &failure) {
            raise(types.startup_error, failure);
        } catch (const tevrak::StalledError &failure) {
            raise(types.stalled_error, failure);
        } catch (const tevrak::LinkError &failure) {
            raise(types.link_error, failure);
        } catch (const tevrak::Error &failure) {
            raise(types.error, failure);
        }
    });
}

}  // namespace tevrak::python
