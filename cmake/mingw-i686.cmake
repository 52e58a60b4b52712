# Cross build of the shipped 32-bit Windows programs; their tests run under
# 32-bit Wine where the machine executes 32-bit code.
set(VOZ_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
