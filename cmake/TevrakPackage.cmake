# Debian packages (cpack -G DEB), one per install component:
#   runtime -> libtevrak1      tools -> tevrak-tools      dev -> libtevrak-dev
#   python -> python3-tevrak   (cross builds: the sysroot's Python, see python/cross_module.cmake)
# A new package is one more install component and one tevrak_deb_package()
# call below. Built by scripts/packages.sh with -DTEVRAK_DEB=ON, which leaves
# the robot folder out: packages install nothing outside /usr, and no
# maintainer script touches a user's files (tevrak-setup, run by the user,
# makes the robot folder).

# Version: the project's, and the Debian revision of the newest changelog
# entry, which must be for this version.
set(TEVRAK_DEB_CHANGELOG ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TEVRAK_DEB_CHANGELOG})
file(STRINGS ${TEVRAK_DEB_CHANGELOG} newest_entry LIMIT_COUNT 1)
if(NOT newest_entry MATCHES "^tevrak \\(([^-)]+)-([^)]+)\\)")
  message(FATAL_ERROR "${TEVRAK_DEB_CHANGELOG}: first line is not an entry: ${newest_entry}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${TEVRAK_DEB_CHANGELOG}: newest entry is for ${CMAKE_MATCH_1}, the project is "
    "${PROJECT_VERSION}: add an entry")
endif()
set(TEVRAK_DEB_REVISION ${CMAKE_MATCH_2})

if(NOT TEVRAK_DEB_ARCH)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE TEVRAK_DEB_ARCH
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()

# Files every package carries: its changelog and the copyright notice.
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/deb/changelog.Debian.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/deb)
execute_process(COMMAND gzip -9nc ${TEVRAK_DEB_CHANGELOG} OUTPUT_FILE ${changelog_gz} COMMAND_ERROR_IS_FATAL ANY)

# tevrak_deb_package(<component> <package> <section> <description>)
# The description's first line is the synopsis.
function(tevrak_deb_package component package section description)
  string(TOUPPER ${component} upper)
  install(FILES ${changelog_gz} ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${description}" PARENT_SCOPE)
endfunction()

tevrak_deb_package(runtime libtevrak1 libs
"device access for a Raspberry Pi robot (shared library)
libtevrak talks to the robot's USB controller board: drive, servos,
motors, encoders, distance sensors, the infrared remote and list menus,
each as a small C interface.
This package has the shared library, the listing program usbSearch that
finds the board, an example udev rule for the board and an example hdt.txt.
It writes nothing into home folders: tevrak-setup (package tevrak-tools)
makes a user's robot folder.")
tevrak_deb_package(dev libtevrak-dev libdevel
"device access for a Raspberry Pi robot (development files)
libtevrak talks to the robot's USB controller board: drive, servos,
motors, encoders, distance sensors, the infrared remote and list menus,
each as a small C interface.
This package has the headers, the static library of every unit, the
pkg-config file tevrak.pc and the CMake package (find_package(tevrak)).")
tevrak_deb_package(tools tevrak-tools devel
"robot folder set-up, simulated and remote robot, thread programs for libtevrak
tevrak-setup makes a user's robot folder (the link to usbSearch and the
example hdt.txt) and says how to point TEVRAK_HOME at it.
tevrak-sim simulates the robot's controller board and the robot behind it
on a pseudo-terminal, so that programs using libtevrak run without the
hardware. tevrak-remote brings a real robot's board and infrared remote to
a laptop over SSH, so that the same programs run there. duet_guarded,
duet_split and duet_plain show two threads sharing one output stream.")
# tevrak-remote is a Python script that runs ssh and socat.
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "openssh-client, socat")

# Manual pages, compressed as Debian keeps them; the three thread programs
# share one page.
function(tevrak_deb_man_page page component)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/deb/man/${page}.gz)
  execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/man/${page} OUTPUT_FILE ${compressed}
    COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page})
  install(FILES ${compressed} ${ARGN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/deb/man)
file(CREATE_LINK tevrak-view.1.gz ${CMAKE_CURRENT_BINARY_DIR}/deb/man/tevrak-record.1.gz SYMBOLIC)
foreach(program duet_split duet_plain)
  file(CREATE_LINK duet_guarded.1.gz ${CMAKE_CURRENT_BINARY_DIR}/deb/man/${program}.1.gz SYMBOLIC)
endforeach()
tevrak_deb_man_page(usbSearch.1 runtime)
tevrak_deb_man_page(tevrak-sim.1 tools)
tevrak_deb_man_page(tevrak-view.1 tools ${CMAKE_CURRENT_BINARY_DIR}/deb/man/tevrak-record.1.gz)
tevrak_deb_man_page(tevrak-setup.1 tools)
tevrak_deb_man_page(tevrak-remote.1 tools)
tevrak_deb_man_page(duet_guarded.1 tools
  ${CMAKE_CURRENT_BINARY_DIR}/deb/man/duet_split.1.gz ${CMAKE_CURRENT_BINARY_DIR}/deb/man/duet_plain.1.gz)

# The library package: the ldconfig trigger and README.Debian; no
# maintainer scripts.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/libtevrak1.triggers
  ${CMAKE_CURRENT_BINARY_DIR}/deb/runtime/triggers COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/README.Debian.in
  ${CMAKE_CURRENT_BINARY_DIR}/deb/runtime/README.Debian @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/deb/runtime/README.Debian
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libtevrak1 COMPONENT runtime)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/deb/runtime/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A shlibs file for every package with a shared library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The development files belong to exactly this library build; the static
# units need the lirc client's development files.
set(TEVRAK_DEB_LIBRARY "libtevrak1 (= ${PROJECT_VERSION}-${TEVRAK_DEB_REVISION})")
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${TEVRAK_DEB_LIBRARY}, liblirc-dev")
# tevrak-setup links the library package's usbSearch and copies its example
# hdt.txt; tevrak-remote is a Python script.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${TEVRAK_DEB_LIBRARY}, python3")

set(TEVRAK_DEB_COMPONENTS runtime dev tools)
if(TARGET tevrak_python)
  tevrak_deb_package(python python3-tevrak python
"Python 3 package for a Raspberry Pi robot (import tevrak)
Drive the robot's chassis, move servos, run motors, read encoders and
distance sensors, take keys from an infrared remote and keep list menus
from Python, with exceptions and waits that end on Ctrl-C. Also a Simulator
class that runs tevrak-sim (package tevrak-tools) for lessons and tests
without a robot, and a pytest plugin with a simulator per test.")
  # The module is built for exactly this Python version; it carries the
  # library's units itself.
  string(REPLACE "." ";" python_version "${TEVRAK_PYTHON_VERSION}")
  list(GET python_version 0 major)
  list(GET python_version 1 minor)
  math(EXPR next_minor "${minor} + 1")
  # libtevrak1 for usbSearch, which the module runs from the robot folder.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${TEVRAK_PYTHON_VERSION}~), python3 (<< ${major}.${next_minor}), ${TEVRAK_DEB_LIBRARY}")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "tevrak-tools (= ${PROJECT_VERSION}-${TEVRAK_DEB_REVISION})")
  list(APPEND TEVRAK_DEB_COMPONENTS python)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${TEVRAK_DEB_COMPONENTS})
set(CPACK_PACKAGE_NAME tevrak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TEVRAK_DEB_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${TEVRAK_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "tevrak maintainers <maintainers@tevrak.example.org>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/deb/out)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

# Cross builds: dpkg-shlibdeps reads the target's libraries and their symbols
# files from the sysroot (scripts/cross-sysroot.sh puts them in its DEBIAN/).
if(CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${TEVRAK_SYSROOT}/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${TEVRAK_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
  set(TEVRAK_DEB_HOST_ARCH ${TEVRAK_DEB_ARCH})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/TevrakCPackCross.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/deb/CPackCross.cmake @ONLY)
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/deb/CPackCross.cmake)
endif()

include(CPack)
