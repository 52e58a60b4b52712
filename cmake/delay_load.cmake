# Delay-loaded imports for the Windows programs. A DLL imported the usual way
# is loaded, with every DLL it imports in turn, before the program's first
# instruction runs, searched for first in the program's own folder. A
# delay-loaded one is loaded at its first call, after the program has
# restricted the DLL search to the system folder (os/dll_search.h).
#
# voz_delay_import_library(TARGET DLL FUNCTION@ARGBYTES...) makes the static
# library TARGET that imports the functions from DLL on first use. ARGBYTES,
# the bytes of arguments, decorates the names of the i686 functions.
function(voz_delay_import_library target dll)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  set(lines "LIBRARY ${dll}\nEXPORTS\n")
  foreach(function IN LISTS ARGN)
    if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      string(REGEX REPLACE "@[0-9]+$" "" function ${function})
    endif()
    string(APPEND lines "  ${function}\n")
  endforeach()
  file(WRITE ${def} ${lines})
  set(archive ${CMAKE_CURRENT_BINARY_DIR}/lib${target}.a)
  add_custom_command(OUTPUT ${archive}
    COMMAND ${CMAKE_DLLTOOL} --kill-at --def ${def} --dllname ${dll} --output-delaylib ${archive}
    DEPENDS ${def}
    VERBATIM)
  add_custom_target(${target}_archive DEPENDS ${archive})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${archive})
  add_dependencies(${target} ${target}_archive)
  # The delay-load helper, which loads the DLL and resolves the function.
  target_link_libraries(${target} INTERFACE delayimp)
endfunction()
