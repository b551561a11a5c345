# Shared part of the cross toolchain files: Debian's cross compiler for
# TEVRAK_CROSS_TRIPLET, target libraries from a private sysroot made by
# scripts/cross-sysroot.sh (-DTEVRAK_SYSROOT=<folder>/root), and programs run
# through qemu-user with that sysroot (there is no binfmt registration to
# rely on).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${TEVRAK_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TEVRAK_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TEVRAK_CROSS_TRIPLET})

if(NOT TEVRAK_SYSROOT)
  set(TEVRAK_SYSROOT "$ENV{TEVRAK_SYSROOT}")
endif()
if(NOT IS_DIRECTORY "${TEVRAK_SYSROOT}/usr/lib/${TEVRAK_CROSS_TRIPLET}")
  message(FATAL_ERROR "TEVRAK_SYSROOT='${TEVRAK_SYSROOT}' is not a sysroot for ${TEVRAK_CROSS_TRIPLET}: "
    "make one with scripts/cross-sysroot.sh")
endif()
# try_compile projects read this file again and need the same sysroot.
set(ENV{TEVRAK_SYSROOT} "${TEVRAK_SYSROOT}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TEVRAK_SYSROOT)

find_program(TEVRAK_QEMU qemu-${TEVRAK_QEMU_ARCH}-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TEVRAK_QEMU} -L ${TEVRAK_SYSROOT})

# The compiler keeps its own C library; the sysroot adds what Debian ships
# for the target (gtest, the lirc client).
set(CMAKE_FIND_ROOT_PATH ${TEVRAK_SYSROOT} /usr/${TEVRAK_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_C_FLAGS_INIT "-isystem ${TEVRAK_SYSROOT}/usr/include")
set(CMAKE_CXX_FLAGS_INIT "-isystem ${TEVRAK_SYSROOT}/usr/include")
# Some of Debian's libraries (zlib) live in /lib/<triplet>.
set(link_dirs "-L${TEVRAK_SYSROOT}/usr/lib/${TEVRAK_CROSS_TRIPLET} -Wl,-rpath-link,${TEVRAK_SYSROOT}/usr/lib/${TEVRAK_CROSS_TRIPLET}:${TEVRAK_SYSROOT}/lib/${TEVRAK_CROSS_TRIPLET}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${link_dirs}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${link_dirs}")

set(ENV{PKG_CONFIG_LIBDIR} "${TEVRAK_SYSROOT}/usr/lib/${TEVRAK_CROSS_TRIPLET}/pkgconfig:${TEVRAK_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${TEVRAK_SYSROOT}")
set(ENV{PKG_CONFIG_PATH} "")
