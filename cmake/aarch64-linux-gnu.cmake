# Cross build for Linux AArch64 (glibc) with Debian's g++-aarch64-linux-gnu.
# Target binaries run on this machine through qemu-aarch64 (package qemu-user), so ctest and
# gtest_discover_tests work as in a native build:
#   cmake -S . -B build/aarch64 -G Ninja --toolchain cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(KAV_TARGET_TRIPLE aarch64-linux-gnu)
set(KAV_TARGET_SYSROOT /usr/${KAV_TARGET_TRIPLE})

set(CMAKE_C_COMPILER ${KAV_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KAV_TARGET_TRIPLE}-g++)
# nm, objdump, readelf, ar, ranlib, strip: CMake picks the aarch64-linux-gnu- prefixed binutils
# from the compiler's name (CMAKE_NM, CMAKE_OBJDUMP, CMAKE_READELF ...).

find_program(KAV_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KAV_QEMU_AARCH64} -L ${KAV_TARGET_SYSROOT})

# Headers and libraries of the target only; programs (code generators, tools) of the host.
set(CMAKE_FIND_ROOT_PATH ${KAV_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
