# The test-data library: bytes, bitmap and WAVE files, and the scene at phases of the show, for
# the tests, the benches and the fuzzer's seeds. Included by tests/ and by bench/, whichever is
# built; the first defines it.
if(TARGET pp_test_data)
    return()
endif()
add_library(pp_test_data STATIC ${CMAKE_CURRENT_LIST_DIR}/test_data.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/show_scenes.cpp)
target_include_directories(pp_test_data PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_test_data PUBLIC pp_assets pp_anim)
