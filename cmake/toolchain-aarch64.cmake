# 64-bit ARM (Raspberry Pi OS arm64): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-aarch64.cmake
#   -DTEVRAK_SYSROOT=<folder>/root (made by scripts/cross-sysroot.sh arm64 <folder>)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TEVRAK_CROSS_TRIPLET aarch64-linux-gnu)
set(TEVRAK_QEMU_ARCH aarch64)
set(TEVRAK_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/TevrakCross.cmake)
