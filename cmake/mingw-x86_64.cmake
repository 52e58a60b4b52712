# Cross build of the same Windows sources for x86-64, whose tests run under
# 64-bit Wine on every machine, including those whose kernel cannot execute
# 32-bit code. The shipped programs come from mingw-i686.cmake.
set(VOZ_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
