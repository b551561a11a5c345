# The module _tevrak for the target of a cross build, from the sysroot's
# Python (libpython3.X-dev, libpython3.X-stdlib, python3.X-minimal: see
# scripts/cross-sysroot.sh). pybind11's headers are the same for every
# architecture and come from the build machine's pybind11-dev, through a
# folder that holds nothing else (the build machine's /usr/include must not
# reach a cross compiler). Sets TEVRAK_PYTHON_VERSION and
# TEVRAK_PYTHON_EXECUTABLE, a script that runs the target's interpreter
# under the emulator.
file(GLOB sysconfig_data "${TEVRAK_SYSROOT}/usr/lib/python3*/_sysconfigdata__linux_${CMAKE_LIBRARY_ARCHITECTURE}.py")
if(NOT sysconfig_data OR NOT EXISTS /usr/include/pybind11/pybind11.h OR NOT TARGET tevrak_cxx)
  message(STATUS "Python package tevrak: not built (no Python of the target in the sysroot, or no pybind11-dev)")
  return()
endif()
# The interpreter's build-time variables, as sysconfig reads them.
file(STRINGS "${sysconfig_data}" config_lines REGEX "^ *'(VERSION|EXT_SUFFIX)': ")
string(REGEX MATCH "'VERSION': '([0-9.]+)'" _ "${config_lines}")
set(version ${CMAKE_MATCH_1})
string(REGEX MATCH "'EXT_SUFFIX': '([^']+)'" _ "${config_lines}")
set(suffix ${CMAKE_MATCH_1})
set(interpreter ${TEVRAK_SYSROOT}/usr/bin/python${version})
if(NOT version OR NOT suffix OR NOT EXISTS ${interpreter} OR NOT EXISTS ${TEVRAK_SYSROOT}/usr/include/python${version}/Python.h)
  message(STATUS "Python package tevrak: not built (the sysroot's Python ${version} lacks its headers or interpreter)")
  return()
endif()
message(STATUS "Python package tevrak: built for the target's Python ${version} (${suffix})")
set(TEVRAK_PYTHON_VERSION ${version} CACHE INTERNAL "its version, major.minor")

set(pybind11_headers ${CMAKE_CURRENT_BINARY_DIR}/pybind11-headers)
file(MAKE_DIRECTORY ${pybind11_headers})
file(CREATE_LINK /usr/include/pybind11 ${pybind11_headers}/pybind11 SYMBOLIC)
add_library(tevrak_python MODULE ${TEVRAK_PYTHON_SOURCES})
target_include_directories(tevrak_python SYSTEM PRIVATE ${TEVRAK_SYSROOT}/usr/include/python${version} ${pybind11_headers})
# As pybind11_add_module does: only the module's init function is exported.
set_target_properties(tevrak_python PROPERTIES PREFIX "" SUFFIX ${suffix}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

# The interpreter, started with its own path as argv[0] so that a test's
# sys.executable starts it again through the emulator (nothing registers
# the target's programs with the kernel). Its standard library is named by
# PYTHONHOME rather than found through the emulator's -L, which qemu-arm
# does not apply to stat(); the build machine's pure-Python packages of the
# same version (pytest) come through PYTHONPATH.
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
set(TEVRAK_PYTHON_EXECUTABLE ${CMAKE_CURRENT_BINARY_DIR}/python${version}-emulated
  CACHE INTERNAL "interpreter the package is built for")
file(CONFIGURE OUTPUT ${TEVRAK_PYTHON_EXECUTABLE} @ONLY CONTENT [=[#!/bin/sh
PYTHONHOME=@TEVRAK_SYSROOT@/usr PYTHONPATH="${PYTHONPATH:+$PYTHONPATH:}/usr/lib/python3/dist-packages" \
  exec @emulator@ -0 "$0" @interpreter@ "$@"
]=])
file(CHMOD ${TEVRAK_PYTHON_EXECUTABLE} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
