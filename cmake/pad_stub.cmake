# Pads the linked setup stub with zero bytes to exactly SIZE bytes, the offset
# at which the package starts; fails when the linked program is larger.
# Usage: cmake -DSTUB=path -DSIZE=bytes -P pad_stub.cmake
file(SIZE "${STUB}" linked)
if(linked GREATER SIZE)
  file(REMOVE "${STUB}")
  message(FATAL_ERROR "The setup stub links to ${linked} bytes, more than the ${SIZE} bytes the package offset "
                      "leaves for it; make the program smaller.")
endif()
message(STATUS "setup stub: linked ${linked} bytes, padded to ${SIZE}")
execute_process(COMMAND truncate -s ${SIZE} "${STUB}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot pad ${STUB} to ${SIZE} bytes")
endif()
