# Proves that the folders depend one way only, bottom to top. A source file may include the
# headers of its own layer and of the layers below it; <pcap.h> is included only in engine/pcap,
# and Qt only in gui, in its tests and in the benchmarks. A test stands in the layer it tests
# (tests/engine in engine, and so on) and may include the tests' own headers besides; the tests'
# shared support and the benchmarks stand above every layer. Reports every offending line, then
# fails.
#
#   cmake -DSOURCE_DIR=<tree> -P cmake/check_layers.cmake

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "check_layers: SOURCE_DIR is not set")
endif()

# Bottom to top. A path belongs to the longest layer folder it starts with.
set(LAYERS common settings iptools events engine engine/pcap engine/helper tables app
           app/capture_helper app/watch gui)
list(LENGTH LAYERS TOP) # the layer of what stands above them all

function(layer_of path out)
    set(best -1)
    set(bestLength 0)
    set(index 0)
    foreach(layer IN LISTS LAYERS)
        string(LENGTH "${layer}/" length)
        string(SUBSTRING "${path}" 0 ${length} prefix)
        if(prefix STREQUAL "${layer}/" AND length GREATER bestLength)
            set(best ${index})
            set(bestLength ${length})
        endif()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} ${best} PARENT_SCOPE)
endfunction()

function(layer_name index out)
    if(index EQUAL TOP)
        set(${out} "tests' support and benchmarks" PARENT_SCOPE)
    else()
        list(GET LAYERS ${index} name)
        set(${out} "${name}" PARENT_SCOPE)
    endif()
endfunction()

# The highest layer of a folder and its sub-folders (engine: engine/helper).
function(highest_under folder out)
    set(best -1)
    set(index 0)
    foreach(layer IN LISTS LAYERS)
        if(layer STREQUAL folder OR layer MATCHES "^${folder}/")
            set(best ${index})
        endif()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} ${best} PARENT_SCOPE)
endfunction()

# The layer a file stands in: its folder's; for a test, the highest of the folder it tests (the
# tests of engine test engine/pcap and engine/helper too); the top for the tests' support and the
# benchmarks; -1 for a file outside them all.
function(standing_of file out)
    if(file MATCHES "^tests/(support|fuzz)/" OR file MATCHES "^bench/")
        set(${out} ${TOP} PARENT_SCOPE)
    elseif(file MATCHES "^tests/([^/]+)/")
        highest_under("${CMAKE_MATCH_1}" own)
        set(${out} ${own} PARENT_SCOPE)
    else()
        layer_of("${file}" own)
        set(${out} ${own} PARENT_SCOPE)
    endif()
endfunction()

set(files "")
foreach(top IN LISTS LAYERS ITEMS tests bench)
    if(top MATCHES "/")
        continue() # sub-folders are globbed with their parents
    endif()
    file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${top}/*.h"
         "${SOURCE_DIR}/${top}/*.cpp")
    list(APPEND files ${found})
endforeach()
# The tests' data holds trees that break the rules on purpose.
list(FILTER files EXCLUDE REGEX "^tests/data/")

set(problems "")
foreach(file IN LISTS files)
    standing_of("${file}" own)
    if(own LESS 0)
        continue()
    endif()
    layer_name(${own} ownName)
    set(qtAllowed FALSE)
    if(ownName STREQUAL "gui" OR own EQUAL TOP)
        set(qtAllowed TRUE)
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "#[ \t]*include[ \t]*([\"<])([^\">]+)")
            continue()
        endif()
        set(header "${CMAKE_MATCH_2}")
        if(CMAKE_MATCH_1 STREQUAL "<")
            if(header MATCHES "^pcap[./]" AND NOT ownName STREQUAL "engine/pcap")
                list(APPEND problems "${file}: <${header}> outside engine/pcap")
            elseif(header MATCHES "^Q" AND NOT qtAllowed)
                list(APPEND problems "${file}: <${header}> outside gui")
            endif()
            continue()
        endif()
        if(header MATCHES "^tests/")
            continue() # the tests' own headers
        endif()
        layer_of("${header}" included)
        if(included GREATER own)
            layer_name(${included} includedName)
            list(APPEND problems
                 "${file} (${ownName}) includes ${header} from ${includedName}, above it")
        endif()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Layering broken:\n  ${text}")
endif()
