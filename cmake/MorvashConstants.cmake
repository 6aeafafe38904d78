# Writes the size and sum from a header of morvash's as unsigned long macros,
# which keep all their bits where int has 16, and which are constant
# expressions. The header's own bytes stay as they are. Usage:
#   cmake -DHEADER=<morvash's header> -DNAME=<array> -DOUTPUT=<header> -P MorvashConstants.cmake
file(STRINGS "${HEADER}" lines REGEX "^static const (unsigned )?int ${NAME}_(size|sum) = ")
string(REGEX MATCH "_size = ([0-9]+)" size "${lines}")
set(size "${CMAKE_MATCH_1}")
string(REGEX MATCH "_sum = (0x[0-9a-f]+)" sum "${lines}")
set(sum "${CMAKE_MATCH_1}")
if(size STREQUAL "" OR sum STREQUAL "")
    message(FATAL_ERROR "${HEADER} gives no size or sum for ${NAME}")
endif()
# Written every time, so that it is never older than the header it follows.
file(WRITE "${OUTPUT}"
"/* ${NAME}'s unpadded size and word sum, whole where int has 16 bits;
   sizeof ${NAME} is its padded size. */
#define ${NAME}_size_ul ${size}UL
#define ${NAME}_sum_ul ${sum}UL
")
