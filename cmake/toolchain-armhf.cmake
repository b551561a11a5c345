# 32-bit ARM, hard float (Raspberry Pi OS armhf): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
#   -DTEVRAK_SYSROOT=<folder>/root (made by scripts/cross-sysroot.sh armhf <folder>)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TEVRAK_CROSS_TRIPLET arm-linux-gnueabihf)
set(TEVRAK_QEMU_ARCH arm)
set(TEVRAK_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/TevrakCross.cmake)
