# Installation: per-unit static libraries, the combined shared library
# libtevrak.so, headers, pkg-config file, CMake package, tools and examples.
# Every rule names its component, one per Debian package (see
# TevrakPackage.cmake): runtime, dev or tools.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TEVRAK_ABI_VERSION 1)
set(TEVRAK_UNIT_LIBRARIES tevrak_serial tevrak_serial_text tevrak_kinema tevrak_actuators
    tevrak_rangers tevrak_rcin tevrak_chooser tevrak_cxx)
set(TEVRAK_SUPPORT_LIBRARIES tevrak_common tevrak_protocol tevrak_platform tevrak_screen)

# The combined shared library: the main serial build, every unit and the C++
# interface, with only the public C API and the C++ interface's classes
# exported.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TEVRAK_LIRC REQUIRED IMPORTED_TARGET lirc)
set(TEVRAK_SHARED_PARTS tevrak_cxx tevrak_serial tevrak_kinema tevrak_actuators tevrak_rangers tevrak_rcin
    tevrak_chooser tevrak_protocol tevrak_platform tevrak_screen tevrak_common)
set(TEVRAK_SHARED_OBJECTS)
foreach(part ${TEVRAK_SHARED_PARTS})
  list(APPEND TEVRAK_SHARED_OBJECTS $<TARGET_OBJECTS:${part}>)
endforeach()
add_library(tevrak SHARED ${TEVRAK_SHARED_OBJECTS})
set_target_properties(tevrak PROPERTIES LINKER_LANGUAGE CXX)
target_link_libraries(tevrak PRIVATE PkgConfig::TEVRAK_LIRC Threads::Threads m)
target_link_options(tevrak PRIVATE "-Wl,--version-script=${PROJECT_SOURCE_DIR}/packaging/tevrak.map" -Wl,--no-undefined)
set_target_properties(tevrak PROPERTIES VERSION ${TEVRAK_ABI_VERSION}.0.0 SOVERSION ${TEVRAK_ABI_VERSION}
  LINK_DEPENDS "${PROJECT_SOURCE_DIR}/packaging/tevrak.map")
target_include_directories(tevrak INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(tevrak INTERFACE cxx_std_20)  # for tevrak.hpp

foreach(lib ${TEVRAK_UNIT_LIBRARIES} ${TEVRAK_SUPPORT_LIBRARIES})
  string(REPLACE "tevrak_" "" short ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${short})
endforeach()

install(TARGETS tevrak ${TEVRAK_UNIT_LIBRARIES} ${TEVRAK_SUPPORT_LIBRARIES}
  EXPORT tevrakTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/tevrak DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(EXPORT tevrakTargets NAMESPACE tevrak:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tevrak COMPONENT dev)

configure_package_config_file(packaging/tevrakConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/tevrakConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tevrak)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/tevrakConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tevrakConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/tevrakConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/tevrak COMPONENT dev)

# The .pc file finds its prefix relative to itself, so the installed tree
# can be moved (and installed with --prefix).
file(RELATIVE_PATH TEVRAK_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(packaging/tevrak.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tevrak.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tevrak.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

install(PROGRAMS platform/usbSearch DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES packaging/hdt.txt.example DESTINATION ${CMAKE_INSTALL_DATADIR}/tevrak COMPONENT runtime)
# The udev rule is an example: its ids are those of one hobby board, so it is
# made live only by copying it to /etc/udev/rules.d/ with the board's own ids.
install(FILES packaging/99-tevrak-board.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/tevrak COMPONENT runtime)

# The robot folder <TEVRAK_HOME>/bin (component robot_folder), where the
# library runs usbSearch and reads hdt.txt. TEVRAK_HOME is absolute and
# compiled into the library: it does not move with the prefix (DESTDIR still
# applies). The example hdt.txt goes there only when none exists yet.
# Package builds have no such component: a package writes nothing into home
# folders, its users run tevrak-setup.
if(NOT TEVRAK_DEB)
  set(TEVRAK_ROBOT_BIN "${TEVRAK_HOME}/bin")
  install(PROGRAMS platform/usbSearch DESTINATION "${TEVRAK_ROBOT_BIN}" COMPONENT robot_folder)
  install(CODE "set(TEVRAK_EXAMPLE_HDT \"${PROJECT_SOURCE_DIR}/packaging/hdt.txt.example\")
set(TEVRAK_ROBOT_BIN \"${TEVRAK_ROBOT_BIN}\")" COMPONENT robot_folder)
  install(SCRIPT cmake/InstallExampleHdt.cmake COMPONENT robot_folder)
endif()
# tevrak-setup, run by each user: the robot folder of that user.
set(TEVRAK_USBSEARCH ${CMAKE_INSTALL_FULL_BINDIR}/usbSearch)
set(TEVRAK_INSTALLED_EXAMPLE ${CMAKE_INSTALL_FULL_DATADIR}/tevrak/hdt.txt.example)
configure_file(packaging/tevrak-setup.in ${CMAKE_CURRENT_BINARY_DIR}/tevrak-setup @ONLY)
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/tevrak-setup DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
if(TARGET tevrak-sim)
  install(TARGETS tevrak-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
if(TARGET tevrak-doctor)
  install(TARGETS tevrak-doctor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
if(TARGET tevrak-teleop)
  install(TARGETS tevrak-teleop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
# The real robot's live page and recorder (tools/).
install(TARGETS tevrak-view tevrak-record RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(TARGETS duet_guarded duet_split duet_plain RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
# The laptop's side of a robot reached over SSH: a Python script.
install(PROGRAMS laptop/tevrak_remote.py DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tevrak-remote COMPONENT tools)
# Its children are run by the Python package's helper, loaded by its path from
# ../share/tevrak/python beside the script's folder (tevrak-tools needs no python3-tevrak).
install(FILES python/tevrak/_child.py DESTINATION ${CMAKE_INSTALL_DATADIR}/tevrak/python RENAME tevrak_child.py
  COMPONENT tools)
# Both ends of that link, with the heartbeat that stops the robot when the laptop goes away.
install(TARGETS tevrak-bridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)

# Manual pages, compressed as Debian keeps them, for cmake --install and the
# packages alike; the three thread programs share one page.
function(tevrak_man_page page component)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/man/${page} OUTPUT_FILE ${compressed}
    COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page})
  install(FILES ${compressed} ${ARGN} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/man)
foreach(program duet_split duet_plain)
  file(CREATE_LINK duet_guarded.1.gz ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz SYMBOLIC)
endforeach()
tevrak_man_page(usbSearch.1 runtime)
tevrak_man_page(tevrak-sim.1 tools)
tevrak_man_page(tevrak-setup.1 tools)
tevrak_man_page(tevrak-remote.1 tools)
tevrak_man_page(tevrak-bridge.1 tools)
tevrak_man_page(tevrak-doctor.1 tools)
tevrak_man_page(tevrak-teleop.1 tools)
file(CREATE_LINK tevrak-view.1.gz ${CMAKE_CURRENT_BINARY_DIR}/man/tevrak-record.1.gz SYMBOLIC)
tevrak_man_page(tevrak-view.1 tools ${CMAKE_CURRENT_BINARY_DIR}/man/tevrak-record.1.gz)
tevrak_man_page(duet_guarded.1 tools
  ${CMAKE_CURRENT_BINARY_DIR}/man/duet_split.1.gz ${CMAKE_CURRENT_BINARY_DIR}/man/duet_plain.1.gz)
