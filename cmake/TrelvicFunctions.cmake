# CMake functions that turn binary files into headers at build time.
#
#   morvash_add_header(TARGET <target> INPUT <file> OUTPUT <header> [NAME <array>])
#   trelvic_add_header(TARGET <target> INPUTS [<file>...] OUTPUT <header> [NAME <array>])
#
# Relative INPUT paths are taken from the current source folder, relative
# OUTPUT paths from the current binary folder. The header is regenerated when
# an input or the tool changes, is built before <target>'s sources, and its
# folder is added to <target>'s include path. The tool's report shows only
# when it fails. They use the executables Trelvic::Trelvic and
# Trelvic::morvash, which both find_package(Trelvic) and a build that takes
# this project in with add_subdirectory or FetchContent provide.

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

# Refuses unknown keywords and keywords without a value, but those listed in
# allow_empty, requires the keywords listed in required, and refuses a NAME
# that is not a C identifier, which would fail only where the header is used.
function(_trelvic_check_arguments function keywords required allow_empty)
    if(arg_UNPARSED_ARGUMENTS)
        list(GET arg_UNPARSED_ARGUMENTS 0 unknown)
        list(JOIN keywords ", " valid)
        message(FATAL_ERROR
                "${function}: unknown keyword or stray value '${unknown}' (keywords: ${valid})")
    endif()
    if(DEFINED arg_NAME AND NOT arg_NAME MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
        message(FATAL_ERROR "${function}: NAME '${arg_NAME}' is not a C identifier")
    endif()
    foreach(keyword IN LISTS arg_KEYWORDS_MISSING_VALUES)
        if(NOT keyword IN_LIST allow_empty)
            message(FATAL_ERROR "${function}: ${keyword} needs a value")
        endif()
    endforeach()
    foreach(keyword IN LISTS required)
        if(NOT DEFINED arg_${keyword} AND NOT keyword IN_LIST arg_KEYWORDS_MISSING_VALUES)
            message(FATAL_ERROR "${function}: ${keyword} is missing")
        endif()
    endforeach()
endfunction()

# Runs the tool quietly, and once more to show its report when it fails.
# Where the host has a shell, the build tool's own shell does that (CMake
# leaves the redirections and "||" unquoted), which costs no process of
# ours; elsewhere TrelvicRun.cmake does. The folder is made now, so that no
# build step is spent on it.
function(_trelvic_generate tool output comment)
    cmake_parse_arguments(PARSE_ARGV 3 gen "" "" "DEPENDS;ARGS")
    _trelvic_tool_command(${tool} command depends)
    get_filename_component(folder "${output}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    set(run "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/TrelvicRun.cmake")
    if(CMAKE_HOST_UNIX)
        set(quiet "${command}" ${gen_ARGS} > /dev/null 2>&1 || "${command}" ${gen_ARGS})
    else()
        set(quiet "${CMAKE_COMMAND}" -P "${run}" "${command}" ${gen_ARGS})
    endif()
    add_custom_command(OUTPUT "${output}"
        COMMAND ${quiet}
        DEPENDS ${gen_DEPENDS} ${depends} "${run}"
        COMMENT "${comment}"
        VERBATIM)
endfunction()

function(_trelvic_attach_header target header)
    get_filename_component(folder "${header}" DIRECTORY)
    target_sources(${target} PRIVATE "${header}")
    target_include_directories(${target} PRIVATE "${folder}")
    if(TARGET trelvic_host_tools) # the tools are built for the host first
        add_dependencies(${target} trelvic_host_tools)
    endif()
endfunction()

function(_trelvic_absolute out_var base)
    set(paths "")
    foreach(path IN LISTS ARGN)
        get_filename_component(path "${path}" ABSOLUTE BASE_DIR "${base}")
        list(APPEND paths "${path}")
    endforeach()
    set(${out_var} "${paths}" PARENT_SCOPE)
endfunction()

function(morvash_add_header)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;INPUT;OUTPUT;NAME" "")
    _trelvic_check_arguments(morvash_add_header "TARGET;INPUT;OUTPUT;NAME" "TARGET;INPUT;OUTPUT" "")
    _trelvic_absolute(input "${CMAKE_CURRENT_SOURCE_DIR}" "${arg_INPUT}")
    _trelvic_absolute(output "${CMAKE_CURRENT_BINARY_DIR}" "${arg_OUTPUT}")
    _trelvic_generate(Trelvic::morvash "${output}" "morvash: ${arg_INPUT} -> ${arg_OUTPUT}"
        DEPENDS "${input}" ARGS "${input}" "${output}" ${arg_NAME})
    _trelvic_attach_header(${arg_TARGET} "${output}")
endfunction()

# With NAME, the tool's header (which always defines gImgCode) goes under a
# private name beside OUTPUT, and OUTPUT renames the array around it.
function(trelvic_add_header)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;OUTPUT;NAME" "INPUTS")
    _trelvic_absolute(inputs "${CMAKE_CURRENT_SOURCE_DIR}" ${arg_INPUTS})
    # A misspelled keyword after INPUTS would pass for a file name.
    foreach(input path IN ZIP_LISTS arg_INPUTS inputs)
        if(input MATCHES "^[A-Z_]+$" AND NOT EXISTS "${path}")
            message(FATAL_ERROR
                    "trelvic_add_header: INPUTS value '${input}' looks like a misspelled keyword")
        endif()
    endforeach()
    _trelvic_check_arguments(trelvic_add_header "TARGET;INPUTS;OUTPUT;NAME" "TARGET;INPUTS;OUTPUT"
                             "INPUTS")
    _trelvic_absolute(output "${CMAKE_CURRENT_BINARY_DIR}" "${arg_OUTPUT}")
    set(packed "${output}")
    if(DEFINED arg_NAME)
        get_filename_component(name "${output}" NAME)
        set(packed "${output}.gImgCode.h")
        file(CONFIGURE OUTPUT "${output}" CONTENT
"/* ${arg_NAME}: the packed inputs, under their own name. */
#define gImgCode ${arg_NAME}
#include \"${name}.gImgCode.h\"
#undef gImgCode
" @ONLY)
        target_sources(${arg_TARGET} PRIVATE "${output}")
    endif()
    list(JOIN arg_INPUTS " " shown)
    _trelvic_generate(Trelvic::Trelvic "${packed}" "Trelvic: ${shown} -> ${arg_OUTPUT}"
        DEPENDS ${inputs} ARGS ${inputs} "${packed}")
    _trelvic_attach_header(${arg_TARGET} "${packed}")
endfunction()
