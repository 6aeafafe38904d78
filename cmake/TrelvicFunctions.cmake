# CMake functions that turn binary files into headers at build time.
#
#   morvash_add_header(TARGET <target> INPUT <file> OUTPUT <header> [NAME <array>]
#                      [LONG_CONSTANTS <header>] [PLACEMENT <text> PLACED_HEADER <header>]
#                      [EXPORT <header>] [EMBED] [DEPENDS <file or target>...])
#   trelvic_add_header(TARGET <target> INPUTS [<file or pattern>...] OUTPUT <header>
#                      [NAME <array>] [LONG_CONSTANTS <header>] [PARTS <header>]
#                      [EXPORT <header>] [DEPENDS <file or target>...])
#
# Callable from any folder, for a target of any kind defined in any folder.
# A relative input is taken as add_custom_command's DEPENDS takes it: a file
# in the current source folder, or else one that a custom command of the
# current folder makes in its binary folder; generator expressions such as
# $<TARGET_FILE:stage2> wait for the targets they name. Relative OUTPUT
# paths are taken from the current binary folder. In INPUTS, '*' and '?' are
# Trelvic's own patterns, expanded by the tool; the header is made again
# when a matching file comes or goes. DEPENDS names anything else the header
# must wait for. One rule makes each header, however many targets and
# folders ask for it; every target that asks waits for it, and gets its
# folder on the include path (an INTERFACE library passes both on). The
# tool's report shows only when it fails. LONG_CONSTANTS writes a header of
# <array>_size_ul (and morvash's <array>_sum_ul) as unsigned long macros,
# whole where int has 16 bits. PLACED_HEADER is a header that includes
# morvash's with PLACEMENT (attributes such as a section or an alignment)
# on its array. PARTS writes where each of Trelvic's inputs starts in the
# array, and its size and name. EXPORT compiles the data once into TARGET,
# and writes a header that any C or C++ file includes to reach it. EMBED
# makes morvash's header take the bytes with #embed where the C compiler
# has it. An input over TRELVIC_LARGE_INPUT bytes (8 MiB) gets a warning.
#
# They use the executables Trelvic::Trelvic and Trelvic::morvash, which both
# find_package(Trelvic) and a build that takes this project in with
# add_subdirectory or FetchContent provide.
if(CMAKE_VERSION VERSION_LESS 3.20)
    message(FATAL_ERROR "Trelvic's CMake functions need CMake 3.20 or newer, not ${CMAKE_VERSION}")
endif()
# Functions keep the policies of their definition, whatever the caller's.
cmake_policy(VERSION 3.20)

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

# The target that a header goes to: an alias stands for its target, and an
# imported target builds nothing that could wait for the header.
function(_trelvic_real_target function target out_var)
    get_target_property(real ${target} ALIASED_TARGET)
    if(NOT real)
        set(real ${target})
    endif()
    get_target_property(imported ${real} IMPORTED)
    if(imported)
        message(FATAL_ERROR "${function}: TARGET '${target}' is imported, and builds nothing that "
                "could use the header; name a target of this project, such as an INTERFACE "
                "library that links it")
    endif()
    set(${out_var} ${real} PARENT_SCOPE)
endfunction()

# Run at the end of the folder that named the input: by then every custom
# command of that folder is known.
function(_trelvic_check_generated function keyword input path)
    get_source_file_property(generated "${path}" GENERATED)
    if(NOT generated)
        message(FATAL_ERROR "${function}: ${keyword} '${input}' is neither in "
                "${CMAKE_CURRENT_SOURCE_DIR} nor made by a custom command in "
                "${CMAKE_CURRENT_BINARY_DIR}")
    endif()
endfunction()

# An array initializer of tens of MiB takes minutes and gigabytes to compile.
function(_trelvic_warn_if_large function input path)
    set(limit 8388608)
    if(DEFINED TRELVIC_LARGE_INPUT)
        set(limit ${TRELVIC_LARGE_INPUT})
    endif()
    if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
        return()
    endif()
    file(SIZE "${path}" size)
    if(size GREATER limit)
        math(EXPR mib "${size} >> 20")
        message(WARNING "${function}: ${input} holds ${mib} MiB, and an array of that size takes "
                "minutes and gigabytes to compile. Cheaper: EMBED (morvash, with a compiler that "
                "has #embed), or the linker (objcopy -I binary, ld -r -b binary). "
                "TRELVIC_LARGE_INPUT sets this limit, in bytes.")
    endif()
endfunction()

# A pattern goes to the tool as it is; CMake's glob, a superset of its
# matches, and a file that changes whenever the matches do, are what the
# header depends on.
function(_trelvic_pattern_depends path out_depends)
    file(GLOB matches CONFIGURE_DEPENDS "${path}")
    string(MD5 id "${path}")
    set(stamp "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/trelvic/${id}.matches")
    file(CONFIGURE OUTPUT "${stamp}" CONTENT "${matches}")
    set(${out_depends} ${matches} "${stamp}" PARENT_SCOPE)
endfunction()

# The inputs as paths for the tool, and what the header depends on. A
# generator expression is left to the build, and the targets it names are
# waited for.
function(_trelvic_inputs function keyword out_paths out_depends)
    set(paths "")
    set(depends "")
    foreach(input IN LISTS ARGN)
        set(path "${input}")
        if(input MATCHES "\\$<")
            string(REGEX MATCHALL "\\$<TARGET_[A-Z_]*:[^>,]+>" named "${input}")
            list(TRANSFORM named REPLACE "^\\$<TARGET_[A-Z_]*:(.*)>$" "\\1")
            list(APPEND depends "${input}" ${named})
        elseif(input MATCHES "[*?]")
            get_filename_component(path "${input}" ABSOLUTE)
            _trelvic_pattern_depends("${path}" matches)
            list(APPEND depends ${matches})
        else()
            get_filename_component(path "${input}" ABSOLUTE)
            _trelvic_warn_if_large(${function} "${input}" "${path}")
            if(NOT IS_ABSOLUTE "${input}" AND NOT EXISTS "${path}")
                set(path "${CMAKE_CURRENT_BINARY_DIR}/${input}")
                cmake_language(EVAL CODE "cmake_language(DEFER CALL _trelvic_check_generated \
                    [[${function}]] [[${keyword}]] [[${input}]] [[${path}]])")
            endif()
            list(APPEND depends "${path}")
        endif()
        list(APPEND paths "${path}")
    endforeach()
    set(${out_paths} "${paths}" PARENT_SCOPE)
    set(${out_depends} "${depends}" PARENT_SCOPE)
endfunction()

# Runs the tool itself, on every host, with no shell or CMake process
# between: --quiet keeps its report out of the build log unless it fails.
# RUN_BY is a command that runs the tool instead, to read its report. The
# folder is made now, so that no build step is spent on it. THEN is a
# command to run afterwards, which makes the files in ALSO.
function(_trelvic_generate tool output comment)
    cmake_parse_arguments(PARSE_ARGV 3 gen "" "" "DEPENDS;ARGS;THEN;ALSO;RUN_BY")
    _trelvic_tool_command(${tool} command depends)
    set(run "${command}" --quiet)
    if(gen_RUN_BY)
        set(run ${gen_RUN_BY} "${command}")
    endif()
    get_filename_component(folder "${output}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    set(then "")
    set(script "")
    if(gen_THEN)
        set(then COMMAND ${gen_THEN})
    endif()
    if(gen_THEN OR gen_RUN_BY) # its headers change with it
        set(script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/TrelvicConstants.cmake")
    endif()
    add_custom_command(OUTPUT "${output}" ${gen_ALSO}
        COMMAND ${run} ${gen_ARGS} ${then}
        DEPENDS ${gen_DEPENDS} ${depends} ${script}
        COMMENT "${comment}"
        VERBATIM)
endfunction()

# Writes the unsigned long constants of a header after the tool's run.
# A command of TrelvicConstants.cmake; ARGN are its settings, such as
# -DOUTPUT=<header>.
function(_trelvic_constants_command tool header name out_command)
    set(${out_command} "${CMAKE_COMMAND}" "-DTOOL=${tool}" "-DHEADER=${header}" "-DNAME=${name}"
        ${ARGN} -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/TrelvicConstants.cmake" PARENT_SCOPE)
endfunction()

# Where TrelvicConstants.cmake comes in: given a route's settings (EMBED,
# PARTS), it runs the tool itself, to read its report (out_run_by); given
# only long constants, it runs after the tool (out_then); else not at all.
function(_trelvic_constants_route tool header name long settings out_then out_run_by)
    set(then "")
    set(run_by "")
    if(ARGN)
        _trelvic_constants_command(${tool} "${header}" ${name} run_by ${ARGN} ${settings})
    elseif(long)
        _trelvic_constants_command(${tool} "${header}" ${name} then ${settings})
    endif()
    set(${out_then} "${then}" PARENT_SCOPE)
    set(${out_run_by} "${run_by}" PARENT_SCOPE)
endfunction()

# One C file, compiled into the target, that includes the tool's header
# once, and a header that declares what it defines for C and C++: a pointer
# to the data, its size and morvash's sum as unsigned long, under names that
# no tool writes. The C file takes the sizes from the long constants.
function(_trelvic_export function tool target header constants name export)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(INTERFACE_LIBRARY|UTILITY)$")
        message(FATAL_ERROR "${function}: EXPORT needs a target that compiles the data once; "
                "'${target}' compiles nothing of its own (${type})")
    endif()
    get_filename_component(folder "${export}" DIRECTORY)
    get_filename_component(stem "${export}" NAME_WE)
    get_filename_component(file "${export}" NAME)
    set(source "${folder}/${stem}.c")
    if(NOT CMAKE_C_COMPILER_LOADED) # a C++ project: the header's extern "C" holds
        set(source "${folder}/${stem}.cpp")
    endif()
    file(RELATIVE_PATH header "${folder}" "${header}")
    file(RELATIVE_PATH constants "${folder}" "${constants}")
    string(TOUPPER "${name}_EXPORT_H" guard)
    set(sum_declaration "")
    set(sum_definition "")
    set(prelude "#define UINT8 static const unsigned char\n")
    if(tool STREQUAL "morvash")
        set(sum_declaration "extern const unsigned long ${name}_export_sum;\n")
        set(sum_definition "const unsigned long ${name}_export_sum = ${name}_sum_ul;\n")
        set(prelude "")
    endif()
    file(CONFIGURE OUTPUT "${export}" CONTENT "/* ${name}, defined once: include this in any C or C++ file. */
#ifndef ${guard}
#define ${guard}
#ifdef __cplusplus
extern \"C\" {
#endif
extern const unsigned char *const ${name}_export;
extern const unsigned long ${name}_export_size;
${sum_declaration}#ifdef __cplusplus
}
#endif
#endif
")
    file(CONFIGURE OUTPUT "${source}" CONTENT "/* The one definition of ${name}, declared in ${file}. */
#include \"${file}\"
${prelude}#include \"${header}\"
#include \"${constants}\"
const unsigned char *const ${name}_export = ${name};
const unsigned long ${name}_export_size = ${name}_size_ul;
${sum_definition}")
    target_sources(${target} PRIVATE "${source}")
endfunction()

# Whether the C compiler takes #embed, asked once per build.
function(_trelvic_has_embed out_var)
    if(NOT DEFINED TRELVIC_C_HAS_EMBED)
        set(TRELVIC_C_HAS_EMBED FALSE CACHE INTERNAL "")
        if(CMAKE_C_COMPILER_LOADED)
            set(folder "${CMAKE_BINARY_DIR}/CMakeFiles/trelvic")
            file(WRITE "${folder}/embed.bin" "x")
            file(WRITE "${folder}/embed.c" "static const unsigned char x[] = {\n#embed \"embed.bin\"\n};
int main(void) { return x[0] != 'x'; }\n")
            try_compile(embeds "${folder}/embed" "${folder}/embed.c")
            set(TRELVIC_C_HAS_EMBED ${embeds} CACHE INTERNAL "Whether the C compiler takes #embed")
        endif()
    endif()
    set(${out_var} ${TRELVIC_C_HAS_EMBED} PARENT_SCOPE)
endfunction()

# One step per header, made by the first call that asks for it; a later call
# for the same header adds its target to it, and must ask for the same
# header. out_new tells the caller to add the rule.
function(_trelvic_claim function output request out_step out_new)
    string(MD5 id "${output}")
    string(SUBSTRING "${id}" 0 12 id)
    get_property(claimed GLOBAL PROPERTY _trelvic_request_${id} SET)
    get_property(earlier GLOBAL PROPERTY _trelvic_request_${id})
    if(claimed AND NOT earlier STREQUAL request)
        message(FATAL_ERROR "${function}: OUTPUT '${output}' is already made by another call "
                "with other inputs or settings; a header can have one set of them")
    endif()
    set_property(GLOBAL PROPERTY _trelvic_request_${id} "${request}")
    set(${out_step} trelvic_header_${id} PARENT_SCOPE)
    if(claimed)
        set(${out_new} FALSE PARENT_SCOPE)
    else()
        set(${out_new} TRUE PARENT_SCOPE)
    endif()
endfunction()

# The step that runs the rule of the current folder for the headers given.
function(_trelvic_add_step step)
    add_custom_target(${step} DEPENDS ${ARGN})
    if(TARGET trelvic_host_tools) # the tools are built for the host first
        add_dependencies(${step} trelvic_host_tools)
    endif()
endfunction()

# The target waits for the step, and finds the headers in their folders; an
# INTERFACE library passes both to whoever links it.
function(_trelvic_attach target step)
    add_dependencies(${target} ${step})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "UTILITY")
        return()
    endif()
    set(scope PRIVATE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(scope INTERFACE)
    endif()
    foreach(header IN LISTS ARGN)
        get_filename_component(folder "${header}" DIRECTORY)
        target_include_directories(${target} ${scope} "${folder}")
    endforeach()
endfunction()

function(_trelvic_absolute out_var base)
    set(paths "")
    foreach(path IN LISTS ARGN)
        get_filename_component(path "${path}" ABSOLUTE BASE_DIR "${base}")
        list(APPEND paths "${path}")
    endforeach()
    set(${out_var} "${paths}" PARENT_SCOPE)
endfunction()

# A header that includes morvash's with the attributes asked for on its
# array, before the name in the declaration, where GNU C, C++ and C11's
# _Alignas take them; morvash's own bytes stay as they are.
function(_trelvic_placed_header header placed name placement)
    get_filename_component(folder "${placed}" DIRECTORY)
    file(RELATIVE_PATH included "${folder}" "${header}")
    file(CONFIGURE OUTPUT "${placed}" CONTENT
"/* @name@, placed: include this instead of @included@. */
#define @name@ @placement@ @name@
#include \"@included@\"
#undef @name@
" @ONLY)
endfunction()

# The absolute path that the caller gave after keyword, or "" where it gave
# none. Reads the caller's arguments.
function(_trelvic_optional_path keyword out_var)
    set(path "")
    if(DEFINED arg_${keyword})
        _trelvic_absolute(path "${CMAKE_CURRENT_BINARY_DIR}" "${arg_${keyword}}")
    endif()
    set(${out_var} "${path}" PARENT_SCOPE)
endfunction()

# The long constants' header: the one asked for, or a private one for
# EXPORT's C file; and the setting that has TrelvicConstants.cmake write it.
function(_trelvic_long_constants output out_long out_settings)
    _trelvic_optional_path(LONG_CONSTANTS long)
    if(NOT long AND DEFINED arg_EXPORT)
        set(long "${output}.ul.h")
    endif()
    set(settings "")
    if(long)
        set(settings "-DOUTPUT=${long}")
    endif()
    set(${out_long} "${long}" PARENT_SCOPE)
    set(${out_settings} "${settings}" PARENT_SCOPE)
endfunction()

# With EMBED and a compiler that has #embed, morvash writes nothing: its
# report gives the size and sum, and TrelvicConstants.cmake writes OUTPUT.
function(morvash_add_header)
    set(keywords TARGET INPUT OUTPUT NAME LONG_CONSTANTS PLACEMENT PLACED_HEADER EXPORT)
    cmake_parse_arguments(PARSE_ARGV 0 arg "EMBED" "${keywords}" "DEPENDS")
    _trelvic_check_arguments(morvash_add_header "${keywords};EMBED;DEPENDS" "TARGET;INPUT;OUTPUT" "")
    if(DEFINED arg_PLACEMENT AND NOT DEFINED arg_PLACED_HEADER
       OR DEFINED arg_PLACED_HEADER AND NOT DEFINED arg_PLACEMENT)
        message(FATAL_ERROR "morvash_add_header: PLACEMENT and PLACED_HEADER go together")
    endif()
    if(NOT TARGET Trelvic::morvash)
        message(FATAL_ERROR "morvash_add_header: morvash is a Linux program, and this build has "
                "none; take the tools in from a Linux build (TRELVIC_HOST_TOOLS)")
    endif()
    _trelvic_real_target(morvash_add_header ${arg_TARGET} target)
    _trelvic_inputs(morvash_add_header INPUT input depends "${arg_INPUT}")
    _trelvic_absolute(output "${CMAKE_CURRENT_BINARY_DIR}" "${arg_OUTPUT}")
    set(name gImgCode)
    if(DEFINED arg_NAME)
        set(name ${arg_NAME})
    endif()
    _trelvic_long_constants("${output}" long settings)
    set(embed FALSE)
    if(arg_EMBED)
        _trelvic_has_embed(embed)
    endif()
    set(written "${output}")
    set(route "")
    if(embed)
        set(written /dev/null)
        set(route "-DEMBED=${output}" "-DINPUT=${input}")
    endif()
    _trelvic_constants_route(morvash "${output}" ${name} "${long}" "${settings}" then run_by
                             ${route})
    _trelvic_optional_path(PLACED_HEADER placed)
    _trelvic_optional_path(EXPORT export)
    _trelvic_claim(morvash_add_header "${output}" "${input};${arg_NAME};${long};${placed};\
${arg_PLACEMENT};${export};${arg_EMBED};${arg_DEPENDS}" step new)
    if(new)
        _trelvic_generate(Trelvic::morvash "${output}" "morvash: ${arg_INPUT} -> ${arg_OUTPUT}"
            DEPENDS ${depends} ${arg_DEPENDS} ARGS "${input}" "${written}" ${arg_NAME}
            THEN ${then} ALSO ${long} RUN_BY ${run_by})
        if(placed)
            _trelvic_placed_header("${output}" "${placed}" ${name} "${arg_PLACEMENT}")
        endif()
        if(export)
            _trelvic_export(morvash_add_header morvash ${target} "${output}" "${long}" ${name}
                            "${export}")
        endif()
        _trelvic_add_step(${step} "${output}" ${long})
    endif()
    _trelvic_attach(${target} ${step} "${output}" ${long} ${placed} ${export})
endfunction()

# With NAME, the tool's header (which always defines gImgCode) goes under a
# private name beside OUTPUT, and OUTPUT renames the array around it. With
# PARTS, TrelvicConstants.cmake runs the tool, to read the inputs it took.
function(trelvic_add_header)
    set(keywords TARGET OUTPUT NAME LONG_CONSTANTS PARTS EXPORT)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "${keywords}" "INPUTS;DEPENDS")
    # A misspelled keyword after INPUTS would pass for a file name.
    foreach(input IN LISTS arg_INPUTS)
        if(input MATCHES "^[A-Z_]+$" AND NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${input}")
            message(FATAL_ERROR
                    "trelvic_add_header: INPUTS value '${input}' looks like a misspelled keyword")
        endif()
    endforeach()
    _trelvic_check_arguments(trelvic_add_header "TARGET;INPUTS;OUTPUT;NAME;LONG_CONSTANTS;PARTS;\
EXPORT;DEPENDS" "TARGET;INPUTS;OUTPUT" "INPUTS")
    _trelvic_real_target(trelvic_add_header ${arg_TARGET} target)
    _trelvic_inputs(trelvic_add_header INPUTS inputs depends ${arg_INPUTS})
    _trelvic_absolute(output "${CMAKE_CURRENT_BINARY_DIR}" "${arg_OUTPUT}")
    set(packed "${output}")
    set(name gImgCode)
    if(DEFINED arg_NAME)
        set(packed "${output}.gImgCode.h")
        set(name ${arg_NAME})
    endif()
    _trelvic_long_constants("${output}" long settings)
    _trelvic_optional_path(PARTS parts)
    set(route "")
    if(parts)
        set(route "-DPARTS=${parts}" "-DBASE=${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    _trelvic_constants_route(Trelvic "${packed}" ${name} "${long}" "${settings}" then run_by
                             ${route})
    _trelvic_optional_path(EXPORT export)
    _trelvic_claim(trelvic_add_header "${output}"
                   "${inputs};${arg_NAME};${long};${parts};${export};${arg_DEPENDS}" step new)
    if(new)
        if(DEFINED arg_NAME)
            get_filename_component(file "${output}" NAME)
            file(CONFIGURE OUTPUT "${output}" CONTENT
"/* ${arg_NAME}: the packed inputs, under their own name. */
#define gImgCode ${arg_NAME}
#include \"${file}.gImgCode.h\"
#undef gImgCode
" @ONLY)
        endif()
        list(JOIN arg_INPUTS " " shown)
        _trelvic_generate(Trelvic::Trelvic "${packed}" "Trelvic: ${shown} -> ${arg_OUTPUT}"
            DEPENDS ${depends} ${arg_DEPENDS} ARGS ${inputs} "${packed}" THEN ${then}
            ALSO ${long} ${parts} RUN_BY ${run_by})
        if(export)
            _trelvic_export(trelvic_add_header Trelvic ${target} "${output}" "${long}" ${name}
                            "${export}")
        endif()
        _trelvic_add_step(${step} "${packed}" ${long} ${parts})
    endif()
    _trelvic_attach(${target} ${step} "${packed}" ${long} ${parts} ${export})
endfunction()
