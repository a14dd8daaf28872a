# Cross-compiles the Windows program with mingw-w64 for x86-64 (PE32+), for
# machines that run no 32-bit code. The 32-bit build stays the product.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
