# liblzma, which reads LZMA movies ("ZWS") and writes them for --lzma: Debian's liblzma-dev natively; for Windows,
# its LZMA1 coders built here from the sources of Debian's xz-utils source package that scripts/setup.sh unpacks
# (as Zopfli's are), as one static library.
set(SQZ_XZ_SOURCE_DIR "/usr/local/src/xz-utils" CACHE PATH "xz-utils' sources, whose liblzma the Windows builds hold")

if(WIN32)
    set(lzma_dir "${SQZ_XZ_SOURCE_DIR}/src/liblzma")
    if(NOT EXISTS "${lzma_dir}/api/lzma.h")
        message(FATAL_ERROR "xz-utils' sources are not in ${SQZ_XZ_SOURCE_DIR}: run scripts/setup.sh")
    endif()
    # Only what the raw LZMA1 encoder and decoder need (and the .lzma reader and the one-call encoder the tests use
    # to make and read LZMA movies independently): no other containers, checks or filters.
    add_library(lzma STATIC
        ${lzma_dir}/common/common.c ${lzma_dir}/common/filter_common.c ${lzma_dir}/common/filter_decoder.c
        ${lzma_dir}/common/filter_encoder.c ${lzma_dir}/common/easy_preset.c
        ${lzma_dir}/common/filter_buffer_encoder.c ${lzma_dir}/common/alone_decoder.c
        ${lzma_dir}/check/crc32_table.c
        ${lzma_dir}/lz/lz_decoder.c ${lzma_dir}/lz/lz_encoder.c ${lzma_dir}/lz/lz_encoder_mf.c
        ${lzma_dir}/lzma/fastpos_table.c ${lzma_dir}/lzma/lzma_decoder.c ${lzma_dir}/lzma/lzma_encoder.c
        ${lzma_dir}/lzma/lzma_encoder_optimum_fast.c ${lzma_dir}/lzma/lzma_encoder_optimum_normal.c
        ${lzma_dir}/lzma/lzma_encoder_presets.c
        ${lzma_dir}/rangecoder/price_table.c)
    target_include_directories(lzma PRIVATE ${lzma_dir}/common ${lzma_dir}/check ${lzma_dir}/lz ${lzma_dir}/lzma
                                            ${lzma_dir}/rangecoder ${lzma_dir}/simple ${lzma_dir}/delta
                                            ${SQZ_XZ_SOURCE_DIR}/src/common)
    target_include_directories(lzma SYSTEM PUBLIC ${lzma_dir}/api)
    target_compile_definitions(lzma PRIVATE
        HAVE_DECODERS HAVE_ENCODERS HAVE_DECODER_LZMA1 HAVE_ENCODER_LZMA1 HAVE_MF_HC3 HAVE_MF_HC4 HAVE_MF_BT2
        HAVE_MF_BT3 HAVE_MF_BT4 HAVE_CHECK_CRC32 HAVE_STDBOOL_H HAVE__BOOL HAVE_STDINT_H HAVE_INTTYPES_H
        HAVE_VISIBILITY=0 TUKLIB_SYMBOL_PREFIX=lzma_)
    # A static library: its declarations must not ask for a DLL's.
    target_compile_definitions(lzma PUBLIC LZMA_API_STATIC)
    # Its own code is not held to this project's warnings.
    target_compile_options(lzma PRIVATE -w)
else()
    find_package(LibLZMA REQUIRED)
    add_library(lzma INTERFACE)
    target_link_libraries(lzma INTERFACE LibLZMA::LibLZMA)
endif()
