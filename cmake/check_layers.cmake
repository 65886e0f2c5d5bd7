# Proves that the folders depend one way only, bottom to top. A source file may include the
# headers of its own layer and of the layers below it; <pcap.h> is included only in engine/pcap,
# and Qt only in gui. Reports every offending line, then fails.
#
#   cmake -DSOURCE_DIR=<tree> -P cmake/check_layers.cmake

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "check_layers: SOURCE_DIR is not set")
endif()

# Bottom to top. A path belongs to the longest layer folder it starts with.
set(LAYERS common settings iptools events engine engine/pcap tables app gui)

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

set(problems "")
foreach(top IN LISTS LAYERS)
    if(top MATCHES "/")
        continue() # sub-folders are globbed with their parents
    endif()
    file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${top}/*.h"
         "${SOURCE_DIR}/${top}/*.cpp")
    foreach(file IN LISTS files)
        layer_of("${file}" own)
        list(GET LAYERS ${own} ownName)
        file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS lines)
            if(NOT line MATCHES "#[ \t]*include[ \t]*([\"<])([^\">]+)")
                continue()
            endif()
            set(header "${CMAKE_MATCH_2}")
            if(CMAKE_MATCH_1 STREQUAL "<")
                if(header MATCHES "^pcap[./]" AND NOT ownName STREQUAL "engine/pcap")
                    list(APPEND problems "${file}: <${header}> outside engine/pcap")
                elseif(header MATCHES "^Q" AND NOT ownName STREQUAL "gui")
                    list(APPEND problems "${file}: <${header}> outside gui")
                endif()
                continue()
            endif()
            layer_of("${header}" included)
            if(included GREATER own)
                list(GET LAYERS ${included} includedName)
                list(APPEND problems
                     "${file} (${ownName}) includes ${header} from ${includedName}, above it")
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Layering broken:\n  ${text}")
endif()
