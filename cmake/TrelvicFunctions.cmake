# CMake functions that turn binary files into headers at build time.
#
#   morvash_add_header(TARGET <target> INPUT <file> OUTPUT <header> [NAME <array>]
#                      [LONG_CONSTANTS <header>] [DEPENDS <file or target>...])
#   trelvic_add_header(TARGET <target> INPUTS [<file or pattern>...] OUTPUT <header>
#                      [NAME <array>] [DEPENDS <file or target>...])
#
# Callable from any folder, for a target defined in any folder. A relative
# INPUT is taken as add_custom_command's DEPENDS takes it: a file in the
# current source folder, or else one that a custom command of the current
# folder makes in its binary folder. Relative OUTPUT paths are taken from the
# current binary folder. In INPUTS, '*' and '?' are Trelvic's own patterns,
# expanded by the tool; the header is made again when a matching file comes
# or goes. DEPENDS names anything else the header must wait for. The header
# is regenerated when an input or the tool changes, is made before
# <target>'s sources are compiled, and its folder is added to <target>'s
# include path. The tool's report shows only when it fails. LONG_CONSTANTS
# writes a header of the array's size and sum as unsigned long macros,
# <array>_size_ul and <array>_sum_ul, whole where int has 16 bits.
#
# They use the executables Trelvic::Trelvic and Trelvic::morvash, which both
# find_package(Trelvic) and a build that takes this project in with
# add_subdirectory or FetchContent provide.

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
    if(NOT TARGET ${arg_TARGET})
        message(FATAL_ERROR "${function}: TARGET '${arg_TARGET}' is no target (define it first)")
    endif()
endfunction()

# Run at the end of the folder that named the input: by then every custom
# command of that folder is known.
function(_trelvic_check_generated function input path)
    get_source_file_property(generated "${path}" GENERATED)
    if(NOT generated)
        message(FATAL_ERROR "${function}: INPUT '${input}' is neither in "
                "${CMAKE_CURRENT_SOURCE_DIR} nor made by a custom command in "
                "${CMAKE_CURRENT_BINARY_DIR}")
    endif()
endfunction()

# The inputs as paths for the tool, and what the header depends on. A
# pattern goes to the tool as it is; CMake's glob, a superset of its
# matches, and a file that changes whenever the matches do, are what the
# header depends on.
function(_trelvic_inputs function out_paths out_depends)
    set(paths "")
    set(depends "")
    foreach(input IN LISTS ARGN)
        set(path "${input}")
        if(NOT IS_ABSOLUTE "${input}")
            set(path "${CMAKE_CURRENT_SOURCE_DIR}/${input}")
            if(NOT input MATCHES "[*?]" AND NOT EXISTS "${path}")
                set(path "${CMAKE_CURRENT_BINARY_DIR}/${input}")
                cmake_language(EVAL CODE "cmake_language(DEFER CALL _trelvic_check_generated \
                    [[${function}]] [[${input}]] [[${path}]])")
            endif()
        endif()
        list(APPEND paths "${path}")
        if(input MATCHES "[*?]")
            file(GLOB matches CONFIGURE_DEPENDS "${path}")
            string(MD5 id "${path}")
            set(stamp "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/trelvic/${id}.matches")
            file(CONFIGURE OUTPUT "${stamp}" CONTENT "${matches}")
            list(APPEND depends ${matches} "${stamp}")
        else()
            list(APPEND depends "${path}")
        endif()
    endforeach()
    set(${out_paths} "${paths}" PARENT_SCOPE)
    set(${out_depends} "${depends}" PARENT_SCOPE)
endfunction()

# Runs the tool quietly, and once more to show its report when it fails.
# Where the host has a shell, the build tool's own shell does that (CMake
# leaves the redirections and "||" unquoted), which costs no process of
# ours; elsewhere TrelvicRun.cmake does. The folder is made now, so that no
# build step is spent on it. THEN is a command to run afterwards, which
# makes the files in ALSO.
function(_trelvic_generate tool output comment)
    cmake_parse_arguments(PARSE_ARGV 3 gen "" "" "DEPENDS;ARGS;THEN;ALSO")
    _trelvic_tool_command(${tool} command depends)
    get_filename_component(folder "${output}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    set(run "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/TrelvicRun.cmake")
    if(CMAKE_HOST_UNIX)
        set(quiet "${command}" ${gen_ARGS} > /dev/null 2>&1 || "${command}" ${gen_ARGS})
    else()
        set(quiet "${CMAKE_COMMAND}" -P "${run}" "${command}" ${gen_ARGS})
    endif()
    set(then "")
    if(gen_THEN)
        set(then COMMAND ${gen_THEN})
    endif()
    add_custom_command(OUTPUT "${output}" ${gen_ALSO}
        COMMAND ${quiet} ${then}
        DEPENDS ${gen_DEPENDS} ${depends} "${run}"
        COMMENT "${comment}"
        VERBATIM)
endfunction()

# The headers that this folder makes for a target belong to one step of
# this folder, where their commands are, which the target, wherever it was
# defined, waits for.
function(_trelvic_attach_header target header)
    string(MD5 id "${target} ${CMAKE_CURRENT_BINARY_DIR}")
    string(SUBSTRING "${id}" 0 12 id)
    set(step trelvic_headers_${id})
    if(NOT TARGET ${step})
        add_custom_target(${step})
        add_dependencies(${target} ${step})
        if(TARGET trelvic_host_tools) # the tools are built for the host first
            add_dependencies(${step} trelvic_host_tools)
        endif()
    endif()
    target_sources(${step} PRIVATE "${header}")
    get_filename_component(folder "${header}" DIRECTORY)
    target_include_directories(${target} PRIVATE "${folder}")
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
    set(keywords TARGET INPUT OUTPUT NAME LONG_CONSTANTS)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "${keywords}" "DEPENDS")
    _trelvic_check_arguments(morvash_add_header "${keywords};DEPENDS" "TARGET;INPUT;OUTPUT" "")
    if(NOT TARGET Trelvic::morvash)
        message(FATAL_ERROR "morvash_add_header: morvash is a Linux program, and this build has "
                "none; take the tools in from a Linux build (TRELVIC_HOST_TOOLS)")
    endif()
    _trelvic_inputs(morvash_add_header input depends "${arg_INPUT}")
    _trelvic_absolute(output "${CMAKE_CURRENT_BINARY_DIR}" "${arg_OUTPUT}")
    set(then "")
    set(long "")
    if(DEFINED arg_LONG_CONSTANTS)
        _trelvic_absolute(long "${CMAKE_CURRENT_BINARY_DIR}" "${arg_LONG_CONSTANTS}")
        set(name gImgCode)
        if(DEFINED arg_NAME)
            set(name ${arg_NAME})
        endif()
        set(then "${CMAKE_COMMAND}" "-DHEADER=${output}" "-DNAME=${name}" "-DOUTPUT=${long}" -P
                 "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/MorvashConstants.cmake")
    endif()
    _trelvic_generate(Trelvic::morvash "${output}" "morvash: ${arg_INPUT} -> ${arg_OUTPUT}"
        DEPENDS ${depends} ${arg_DEPENDS} ARGS "${input}" "${output}" ${arg_NAME} THEN ${then}
        ALSO ${long})
    foreach(header IN ITEMS "${output}" ${long})
        _trelvic_attach_header(${arg_TARGET} "${header}")
    endforeach()
endfunction()

# With NAME, the tool's header (which always defines gImgCode) goes under a
# private name beside OUTPUT, and OUTPUT renames the array around it.
function(trelvic_add_header)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;OUTPUT;NAME" "INPUTS;DEPENDS")
    # A misspelled keyword after INPUTS would pass for a file name.
    foreach(input IN LISTS arg_INPUTS)
        if(input MATCHES "^[A-Z_]+$" AND NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${input}")
            message(FATAL_ERROR
                    "trelvic_add_header: INPUTS value '${input}' looks like a misspelled keyword")
        endif()
    endforeach()
    _trelvic_check_arguments(trelvic_add_header "TARGET;INPUTS;OUTPUT;NAME;DEPENDS"
                             "TARGET;INPUTS;OUTPUT" "INPUTS")
    _trelvic_inputs(trelvic_add_header inputs depends ${arg_INPUTS})
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
    endif()
    list(JOIN arg_INPUTS " " shown)
    _trelvic_generate(Trelvic::Trelvic "${packed}" "Trelvic: ${shown} -> ${arg_OUTPUT}"
        DEPENDS ${depends} ${arg_DEPENDS} ARGS ${inputs} "${packed}")
    _trelvic_attach_header(${arg_TARGET} "${packed}")
endfunction()
