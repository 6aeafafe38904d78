# CMake functions that turn binary files into headers at build time.
#
#   morvash_add_header(TARGET <target> INPUT <file> OUTPUT <header> [NAME <array>])
#   trelvic_add_header(TARGET <target> INPUTS <file>... OUTPUT <header>)
#
# Relative INPUT paths are taken from the current source folder, relative
# OUTPUT paths from the current binary folder. The header is regenerated when
# an input or the tool changes, is built before <target>'s sources, and its
# folder is added to <target>'s include path. They use the executables
# Trelvic::Trelvic and Trelvic::morvash, which both find_package(Trelvic) and
# a build that takes this project in with add_subdirectory or FetchContent
# provide.

function(_trelvic_tool_command tool out_command out_depends)
    get_target_property(real ${tool} ALIASED_TARGET)
    if(NOT real)
        set(real ${tool})
    endif()
    set(${out_command} "$<TARGET_FILE:${real}>" PARENT_SCOPE)
    get_target_property(imported ${real} IMPORTED)
    if(imported)
        set(${out_depends} "$<TARGET_FILE:${real}>" PARENT_SCOPE)
    else()
        set(${out_depends} ${real} PARENT_SCOPE)
    endif()
endfunction()

function(_trelvic_attach_header target header)
    get_filename_component(folder "${header}" DIRECTORY)
    target_sources(${target} PRIVATE "${header}")
    target_include_directories(${target} PRIVATE "${folder}")
endfunction()

function(morvash_add_header)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;INPUT;OUTPUT;NAME" "")
    if(NOT arg_TARGET OR NOT arg_INPUT OR NOT arg_OUTPUT)
        message(FATAL_ERROR "morvash_add_header needs TARGET, INPUT and OUTPUT")
    endif()
    get_filename_component(input "${arg_INPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    _trelvic_tool_command(Trelvic::morvash tool tool_depends)
    get_filename_component(folder "${output}" DIRECTORY)
    add_custom_command(OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
        COMMAND "${tool}" "${input}" "${output}" ${arg_NAME}
        DEPENDS "${input}" ${tool_depends}
        COMMENT "morvash: ${arg_INPUT} -> ${arg_OUTPUT}"
        VERBATIM)
    _trelvic_attach_header(${arg_TARGET} "${output}")
endfunction()

function(trelvic_add_header)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;OUTPUT" "INPUTS")
    if(NOT arg_TARGET OR NOT arg_OUTPUT)
        message(FATAL_ERROR "trelvic_add_header needs TARGET and OUTPUT")
    endif()
    set(inputs "")
    foreach(input IN LISTS arg_INPUTS)
        get_filename_component(input "${input}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        list(APPEND inputs "${input}")
    endforeach()
    get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    _trelvic_tool_command(Trelvic::Trelvic tool tool_depends)
    get_filename_component(folder "${output}" DIRECTORY)
    add_custom_command(OUTPUT "${output}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
        COMMAND "${tool}" ${inputs} "${output}"
        DEPENDS ${inputs} ${tool_depends}
        COMMENT "Trelvic: ${arg_INPUTS} -> ${arg_OUTPUT}"
        VERBATIM)
    _trelvic_attach_header(${arg_TARGET} "${output}")
endfunction()
