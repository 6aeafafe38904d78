# What a tool's run says, as C text beside the tool's header, whose bytes
# stay as they are. Usage:
#   cmake -DTOOL=Trelvic|morvash -DHEADER=<the tool's header> -DNAME=<array>
#         [-DOUTPUT=<header>] [-DPARTS=<header> -DBASE=<folder>]
#         [-DEMBED=<header> -DINPUT=<file>] -P TrelvicConstants.cmake [<tool> <argument>...]
# OUTPUT: the size (and morvash's sum) as unsigned long macros, which keep
# all their bits where int has 16, and which are constant expressions.
# PARTS (Trelvic): runs the tool, and writes where each input starts in the
# array and its size, in the order of its run, names relative to BASE.
# EMBED (morvash): runs the tool, and writes a header that takes the bytes
# with #embed, and the size and sum from the run.

# Written beside, then renamed: a compile never reads half of it.
function(write_whole path text)
    string(RANDOM LENGTH 8 id)
    file(WRITE "${path}.${id}.tmp" "${text}")
    file(RENAME "${path}.${id}.tmp" "${path}")
endfunction()

# Trelvic's header holds no size: its length gives it, as each byte takes 6
# characters, each line of up to 16 of them 3 more, and the frame 26, with a
# blank line after a last line that is full.
function(packed_size header out_var)
    file(SIZE "${header}" length)
    file(READ "${header}" start LIMIT 17)
    math(EXPR guess "(${length} - 26) * 16 / 99")
    math(EXPR last "${guess} + 2")
    foreach(size RANGE ${guess} ${last})
        math(EXPR expected "26 + 6 * ${size} + 3 * ((${size} + 15) / 16) + 2 * (1 - (${size} + 15) / 16 + ${size} / 16)")
        if(expected EQUAL length AND start MATCHES "^UINT8 gImgCode\\[\\]=")
            set(${out_var} ${size} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${header} is no header of Trelvic's")
endfunction()

# The tool's run, on the arguments after -P's script; its report shows only
# when it fails.
function(run_tool out_report)
    set(command "")
    set(after "")
    math(EXPR last "${CMAKE_ARGC} - 1")
    foreach(i RANGE 1 ${last})
        if(after STREQUAL "script")
            list(APPEND command "${CMAKE_ARGV${i}}")
        elseif(after STREQUAL "-P")
            set(after script)
        elseif(CMAKE_ARGV${i} STREQUAL "-P")
            set(after -P)
        endif()
    endforeach()
    execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
        message("${out}${err}")
        list(GET command 0 tool)
        message(FATAL_ERROR "${tool} failed (${status})")
    endif()
    set(${out_report} "${out}" PARENT_SCOPE)
endfunction()

function(write_parts report)
    string(REGEX MATCHALL "\nInput[0-9]+: [^\n]*" inputs "${report}")
    set(offset 0)
    set(count 0)
    set(offsets "")
    set(sizes "")
    set(names "")
    set(defines "")
    foreach(line IN LISTS inputs)
        string(REGEX REPLACE "^\nInput[0-9]+: " "" path "${line}")
        file(SIZE "${path}" size)
        file(RELATIVE_PATH shown "${BASE}" "${path}")
        string(REPLACE "\\" "\\\\" shown "${shown}")
        string(REPLACE "\"" "\\\"" shown "${shown}")
        string(APPEND offsets " ${offset}UL,")
        string(APPEND sizes " ${size}UL,")
        string(APPEND names " \"${shown}\",")
        string(APPEND defines "#define ${NAME}_part${count}_offset ${offset}UL\n"
                              "#define ${NAME}_part${count}_size ${size}UL\n")
        math(EXPR offset "${offset} + ${size}")
        math(EXPR count "${count} + 1")
    endforeach()
    packed_size("${HEADER}" packed)
    if(NOT packed EQUAL offset)
        message(FATAL_ERROR "${HEADER}: an input changed while it was packed; build again")
    endif()
    if(count EQUAL 0) # C has no empty arrays
        set(offsets " 0UL")
        set(sizes " 0UL")
        set(names " \"\"")
    endif()
    write_whole("${PARTS}" "/* ${NAME}'s parts, in the order packed: where each starts, its size
   and its name. */
#define ${NAME}_part_count ${count}
${defines}static const unsigned long ${NAME}_part_offset[] = {${offsets}};
static const unsigned long ${NAME}_part_size[] = {${sizes}};
static const char *const ${NAME}_part_name[] = {${names}};
")
endfunction()

# The header of #embed, with morvash's own lines for the size and sum, and
# the padding to whole words.
function(write_embed report)
    if(NOT report MATCHES "bin_size=([0-9]+),.*bin_sum=(0x[0-9a-f]+)")
        message(FATAL_ERROR "morvash gave no size or sum for ${INPUT}")
    endif()
    set(size ${CMAKE_MATCH_1})
    set(sum ${CMAKE_MATCH_2})
    math(EXPR padding "(4 - ${size} % 4) % 4")
    string(REPEAT ", 0" ${padding} zeros)
    set(suffix "")
    if(padding GREATER 0)
        set(suffix " suffix(${zeros})")
    endif()
    set(clang "#ifdef __clang__\n#pragma clang diagnostic") # #embed before C23 is its extension
    write_whole("${EMBED}" "${clang} push\n#pragma clang diagnostic ignored \"-Wc23-extensions\"
#endif\nstatic const unsigned char ${NAME}[] = \n{\n#embed \"${INPUT}\"${suffix}\n};\n${clang} pop
#endif\nstatic const int ${NAME}_size = ${size};\nstatic const unsigned int ${NAME}_sum = ${sum};\n")
    set(size ${size} PARENT_SCOPE)
    set(sum ${sum} PARENT_SCOPE)
endfunction()

if(DEFINED PARTS)
    run_tool(report)
    write_parts("${report}")
elseif(DEFINED EMBED)
    run_tool(report)
    write_embed("${report}")
endif()
if(NOT DEFINED OUTPUT)
    return()
endif()
set(text "/* ${NAME}'s size, whole where int has 16 bits. */\n")
if(TOOL STREQUAL "Trelvic")
    packed_size("${HEADER}" size)
    string(APPEND text "#define ${NAME}_size_ul ${size}UL\n")
else()
    if(NOT DEFINED EMBED)
        file(STRINGS "${HEADER}" lines REGEX "^static const (unsigned )?int ${NAME}_(size|sum) = ")
        string(REGEX MATCH "_size = ([0-9]+)" size "${lines}")
        set(size "${CMAKE_MATCH_1}")
        string(REGEX MATCH "_sum = (0x[0-9a-f]+)" sum "${lines}")
        set(sum "${CMAKE_MATCH_1}")
    endif()
    if(size STREQUAL "" OR sum STREQUAL "")
        message(FATAL_ERROR "${HEADER} gives no size or sum for ${NAME}")
    endif()
    set(text "/* ${NAME}'s unpadded size and word sum, whole where int has 16 bits;
   sizeof ${NAME} is its padded size. */
#define ${NAME}_size_ul ${size}UL
#define ${NAME}_sum_ul ${sum}UL
")
endif()
# Written every time, so that it is never older than the header it follows.
write_whole("${OUTPUT}" "${text}")
