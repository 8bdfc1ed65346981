# Writes the names the installer shares with the program and the extension as NSIS definitions, read from where the
# product keeps them, so that the installer never holds a copy of its own. Run by the build (cmake -P) with:
#   HEADERS  the product's headers (res/product_info.h, res/handoff_contract.h), separated by ";"
#   GUIDS    NAME=GUID pairs of the extension's identifiers (from shellext/korvane_ids.cmake), separated by ";"
#   OUTPUT   the .nsh file to write
# From the headers: every `#define SQZ_NAME "text"` becomes `!define SQZ_NAME "text"`, and every
# `constexpr char kSomeName[] = ...;` becomes `!define SQZ_SOME_NAME "..."`, its value being string literals and names
# defined before it, joined as the compiler joins them. Each GUID becomes `!define NAME "{GUID}"`.
cmake_minimum_required(VERSION 3.25)

set(defines "")

# The value of the C initializer `expression`: string literals (whose only escape is "\\") and names of values read
# before, side by side.
function(evaluate out expression)
    set(value "")
    string(STRIP "${expression}" rest)
    while(NOT rest STREQUAL "")
        if(rest MATCHES "^\"([^\"]*)\"(.*)$")
            string(REPLACE "\\\\" "\\" literal "${CMAKE_MATCH_1}")
            string(APPEND value "${literal}")
            set(rest "${CMAKE_MATCH_2}")
        elseif(rest MATCHES "^([A-Za-z_][A-Za-z0-9_]*)(.*)$")
            set(known "value_${CMAKE_MATCH_1}")
            if(NOT DEFINED "${known}")
                message(FATAL_ERROR "product_names.cmake: '${CMAKE_MATCH_1}' in '${expression}' is not known")
            endif()
            string(APPEND value "${${known}}")
            set(rest "${CMAKE_MATCH_2}")
        else()
            message(FATAL_ERROR "product_names.cmake: cannot read the value '${expression}'")
        endif()
        string(STRIP "${rest}" rest)
    endwhile()
    set(${out} "${value}" PARENT_SCOPE)
endfunction()

foreach(header IN LISTS HEADERS)
    file(STRINGS "${header}" lines)
    foreach(line IN LISTS lines)
        if(line MATCHES "^#define (SQZ_[A-Z0-9_]+) (\".*)$")
            set(name "${CMAKE_MATCH_1}")
            set(key "${CMAKE_MATCH_1}")
            set(expression "${CMAKE_MATCH_2}")
        elseif(line MATCHES "^constexpr char k([A-Za-z0-9]+)\\[\\] = (.*);")
            set(key "k${CMAKE_MATCH_1}")
            set(expression "${CMAKE_MATCH_2}")
            string(REGEX REPLACE "([a-z0-9])([A-Z])" "\\1_\\2" name "${CMAKE_MATCH_1}")
            string(TOUPPER "SQZ_${name}" name)
        else()
            continue()
        endif()
        evaluate(value "${expression}")
        set("value_${key}" "${value}")
        string(REPLACE "$" "$$" value "${value}")
        string(APPEND defines "!define ${name} \"${value}\"\n")
    endforeach()
endforeach()
foreach(pair IN LISTS GUIDS)
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 guid)
    string(APPEND defines "!define ${name} \"{${guid}}\"\n")
endforeach()

file(WRITE "${OUTPUT}.new"
     "; The names the installer shares with the program and the extension, written by the build from the product's\n"
     "; headers and the extension's identifiers (installer/product_names.cmake).\n${defines}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
