# Cross build of the Windows programs with Debian's MinGW-w64 toolchain for
# VOZ_MINGW_PROCESSOR (i686 or x86_64), set by the toolchain file that includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VOZ_MINGW_PROCESSOR})
set(VOZ_MINGW_TRIPLE ${VOZ_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VOZ_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${VOZ_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${VOZ_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VOZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Statically linked: no DLLs beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The tests run under Wine (see scripts/machine.sh for which builds run where).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
