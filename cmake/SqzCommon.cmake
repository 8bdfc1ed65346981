# Helpers shared by every folder of the build: warning flags and paths handed to test programs.

# Warnings on, and errors in every build: the Windows builds and the native one are kept clean alike.
function(sqz_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The form of a build-machine path that the built programs can open: unchanged natively, the Z: drive
# path under Wine (which maps Z: to the Linux root).
function(sqz_runtime_path out path)
    if(WIN32 AND CMAKE_CROSSCOMPILING)
        string(REPLACE "/" "\\\\" win "${path}")
        set(${out} "Z:${win}" PARENT_SCOPE)
    else()
        set(${out} "${path}" PARENT_SCOPE)
    endif()
endfunction()

# A GoogleTest program registered with CTest; under a cross build CTest runs it through Wine.
function(sqz_add_gtest name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    sqz_warnings(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    sqz_runtime_path(corpus "${SQZ_CORPUS_DIR}")
    target_compile_definitions(${name} PRIVATE "SQZ_CORPUS_DIR=\"${corpus}\"")
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# Narrow string literals of a Windows target in code page 936, from UTF-8 sources; wide literals stay UTF-16. For
# tests of texts in that code page: the program itself shows its texts from wide literals and UTF-16 resources,
# whatever the system's code page.
function(sqz_cp936 target)
    if(WIN32)
        target_compile_options(${target} PRIVATE
            $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=CP936>)
    endif()
endfunction()
