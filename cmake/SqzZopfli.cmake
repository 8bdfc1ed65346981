# Zopfli, which makes the smallest zlib streams for --best: Debian's libzopfli-dev natively; for Windows, built here
# from the sources of Debian's source package that scripts/setup.sh unpacks (as GoogleTest is built from its
# sources). Without it the build is made without --best (SQZ_HAVE_ZOPFLI is OFF) and the tool says so when asked.
set(SQZ_ZOPFLI_SOURCE_DIR "/usr/local/src/zopfli" CACHE PATH "Zopfli's sources, built into the Windows builds")
set(SQZ_HAVE_ZOPFLI OFF)

if(WIN32)
    set(zopfli_dir "${SQZ_ZOPFLI_SOURCE_DIR}/src/zopfli")
    if(EXISTS "${zopfli_dir}/deflate.h")
        add_library(zopfli STATIC
            ${zopfli_dir}/blocksplitter.c ${zopfli_dir}/cache.c ${zopfli_dir}/deflate.c ${zopfli_dir}/hash.c
            ${zopfli_dir}/katajainen.c ${zopfli_dir}/lz77.c ${zopfli_dir}/squeeze.c ${zopfli_dir}/tree.c
            ${zopfli_dir}/util.c ${zopfli_dir}/zlib_container.c)
        target_include_directories(zopfli SYSTEM INTERFACE "${SQZ_ZOPFLI_SOURCE_DIR}/src")
        # Its own code is not held to this project's warnings.
        target_compile_options(zopfli PRIVATE -w)
        set(SQZ_HAVE_ZOPFLI ON)
    else()
        message(WARNING "Zopfli's sources are not in ${SQZ_ZOPFLI_SOURCE_DIR} (scripts/setup.sh unpacks them): "
                        "this build has no --best")
    endif()
else()
    find_path(ZOPFLI_INCLUDE_DIR zopfli/deflate.h)
    find_library(ZOPFLI_LIBRARY zopfli)
    if(ZOPFLI_INCLUDE_DIR AND ZOPFLI_LIBRARY)
        add_library(zopfli UNKNOWN IMPORTED)
        set_target_properties(zopfli PROPERTIES IMPORTED_LOCATION "${ZOPFLI_LIBRARY}"
                                                INTERFACE_INCLUDE_DIRECTORIES "${ZOPFLI_INCLUDE_DIR}")
        set(SQZ_HAVE_ZOPFLI ON)
    else()
        message(WARNING "Zopfli (Debian's libzopfli-dev) not found: this build has no --best")
    endif()
endif()
