# Writes a header's size (and morvash's sum) as unsigned long macros, which
# keep all their bits where int has 16, and which are constant expressions.
# The tool's header stays as it is. Usage:
#   cmake -DTOOL=Trelvic|morvash -DHEADER=<the tool's header> -DNAME=<array>
#         -DOUTPUT=<header> -P TrelvicConstants.cmake

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

set(text "/* ${NAME}'s size, whole where int has 16 bits. */\n")
if(TOOL STREQUAL "Trelvic")
    packed_size("${HEADER}" size)
    string(APPEND text "#define ${NAME}_size_ul ${size}UL\n")
else()
    file(STRINGS "${HEADER}" lines REGEX "^static const (unsigned )?int ${NAME}_(size|sum) = ")
    string(REGEX MATCH "_size = ([0-9]+)" size "${lines}")
    set(size "${CMAKE_MATCH_1}")
    string(REGEX MATCH "_sum = (0x[0-9a-f]+)" sum "${lines}")
    set(sum "${CMAKE_MATCH_1}")
    if(size STREQUAL "" OR sum STREQUAL "")
        message(FATAL_ERROR "${HEADER} gives no size or sum for ${NAME}")
    endif()
    set(text "/* ${NAME}'s unpadded size and word sum, whole where int has 16 bits;
   sizeof ${NAME} is its padded size. */
#define ${NAME}_size_ul ${size}UL
#define ${NAME}_sum_ul ${sum}UL
")
endif()
# Written every time, so that it is never older than the header it follows,
# and beside it first, so that a compile never reads half of it.
string(RANDOM LENGTH 8 id)
file(WRITE "${OUTPUT}.${id}.tmp" "${text}")
file(RENAME "${OUTPUT}.${id}.tmp" "${OUTPUT}")
