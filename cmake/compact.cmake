# The setup stub and the uninstaller must stay small: the stub has a fixed
# size, the uninstaller is copied into every installation. Neither catches an
# exception, so both are compiled without exceptions, unwind tables or
# run-time type information, and link os/compact_runtime_win32.cpp, whose
# handlers end the program where the C++ library would throw. The core
# libraries they use are compiled once more that way for them.

set(VOZ_COMPACT_OPTIONS -fno-exceptions -fno-asynchronous-unwind-tables -fno-rtti)

# A static library NAME of the sources of the libraries LIBS, compiled compact.
# A source that its library compiles for speed (the VOZ_SPEED_SOURCES global
# property) keeps that.
function(voz_compact_library name)
  set(sources)
  foreach(lib IN LISTS ARGN)
    get_target_property(lib_sources ${lib} SOURCES)
    get_target_property(lib_dir ${lib} SOURCE_DIR)
    foreach(source IN LISTS lib_sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${lib_dir})
      list(APPEND sources ${source})
    endforeach()
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${VOZ_COMPACT_OPTIONS})
  get_property(speed GLOBAL PROPERTY VOZ_SPEED_SOURCES)
  foreach(source IN LISTS speed)
    if(source IN_LIST sources)
      set_source_files_properties(${source} TARGET_DIRECTORY ${name} PROPERTIES COMPILE_OPTIONS -O2)
    endif()
  endforeach()
endfunction()

# Makes TARGET a compact program.
function(voz_compact_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/os/compact_runtime_win32.cpp)
  target_compile_options(${target} PRIVATE ${VOZ_COMPACT_OPTIONS})
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections)
endfunction()
