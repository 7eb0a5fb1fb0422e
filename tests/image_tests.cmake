# The bitmap reader's unit tests, and its fuzzer run (label "fuzz") seeded by the files that the
# unit tests build.
set(PP_BITMAP_CORPUS_DIR ${CMAKE_BINARY_DIR}/bitmap-corpus)

pp_add_test(bitmap_tests LABELS unit
    SOURCES image/bitmap_test_support.cpp image/pipe_feed.cpp image/bitmap_pixels_test.cpp
            image/bitmap_record_test.cpp image/bitmap_pipe_test.cpp image/regular_file_test.cpp
    LIBS pp_image pp_test_data)
target_compile_definitions(bitmap_tests PRIVATE PP_BITMAP_CORPUS_DIR="${PP_BITMAP_CORPUS_DIR}")
set_property(TEST bitmap_tests APPEND PROPERTY FIXTURES_SETUP bitmap_corpus)
# A small, valid file of each kind the reader takes, as fuzzer seeds beside the tests' files.
add_executable(bitmap_fuzz_seeds fuzz/bitmap_seeds.cpp)
target_link_libraries(bitmap_fuzz_seeds PRIVATE pp_test_data)
add_test(NAME bitmap_fuzz_seeds COMMAND bitmap_fuzz_seeds ${PP_BITMAP_CORPUS_DIR})
set_tests_properties(bitmap_fuzz_seeds PROPERTIES LABELS unit FIXTURES_SETUP bitmap_corpus)

find_program(PP_CLANGXX clang++)
if(NOT PP_SANITIZE AND PP_CLANGXX)
    if(DEFINED ENV{PP_FUZZ_SECONDS})
        set(PP_FUZZ_SECONDS $ENV{PP_FUZZ_SECONDS})
    else()
        set(PP_FUZZ_SECONDS 60)
    endif()
    add_test(NAME bitmap_fuzz
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz-bitmap ${PP_FUZZ_SECONDS} ${PP_BITMAP_CORPUS_DIR})
    math(EXPR PP_FUZZ_TIMEOUT "${PP_FUZZ_SECONDS} + 600")
    set_tests_properties(bitmap_fuzz PROPERTIES LABELS fuzz FIXTURES_REQUIRED bitmap_corpus
        TIMEOUT ${PP_FUZZ_TIMEOUT} ENVIRONMENT CXX=${PP_CLANGXX})
endif()
