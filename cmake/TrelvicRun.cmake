# Runs a tool for a build and keeps its report out of the build log unless
# it fails. Usage: cmake -P TrelvicRun.cmake <tool> <argument>...
set(command "")
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 3 ${last})
    list(APPEND command "${CMAKE_ARGV${i}}")
endforeach()
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message("${out}${err}")
    message(FATAL_ERROR "${CMAKE_ARGV3} failed (${status})")
endif()
