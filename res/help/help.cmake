# The help file Squozen.chm, compiled with chmcmd from the UTF-8 pages of res/help (turned into code page 936,
# the code page of the Chinese help viewer) and put beside Squozen.exe in the app build folder.
find_program(SQZ_CHMCMD chmcmd REQUIRED)
find_program(SQZ_ICONV iconv REQUIRED)
set(help_src "${CMAKE_SOURCE_DIR}/res/help")
set(help_work "${CMAKE_BINARY_DIR}/help")
file(MAKE_DIRECTORY "${help_work}" "${CMAKE_BINARY_DIR}/app")
set(help_pages index.htm list.htm optimize.htm commands.htm options.htm backup.htm explorer.htm cli.htm install.htm
               Squozen.hhc Squozen.hhp)
set(help_inputs "${help_src}/help.css")
set(help_commands COMMAND ${CMAKE_COMMAND} -E make_directory "${help_work}"
                  COMMAND ${CMAKE_COMMAND} -E copy "${help_src}/help.css" "${help_work}/help.css")
foreach(page ${help_pages})
    list(APPEND help_inputs "${help_src}/${page}")
    list(APPEND help_commands COMMAND sh -c "${SQZ_ICONV} -f UTF-8 -t CP936 '${help_src}/${page}' > '${help_work}/${page}'")
endforeach()
add_custom_command(
    OUTPUT "${CMAKE_BINARY_DIR}/app/Squozen.chm"
    ${help_commands}
    COMMAND ${SQZ_CHMCMD} --no-html-scan --verbosity 0 Squozen.hhp
    COMMAND ${CMAKE_COMMAND} -E copy Squozen.chm "${CMAKE_BINARY_DIR}/app/Squozen.chm"
    WORKING_DIRECTORY "${help_work}"
    DEPENDS ${help_inputs}
    COMMENT "Compiling the help file Squozen.chm"
    VERBATIM)
add_custom_target(squozen_help ALL DEPENDS "${CMAKE_BINARY_DIR}/app/Squozen.chm")

if(SQZ_TESTS)
    add_test(NAME help_file COMMAND sh "${CMAKE_SOURCE_DIR}/tests/check_help_file.sh" "${CMAKE_BINARY_DIR}/app/Squozen.chm")
endif()
