# The bitmap reader against stb_image, SDL2 and a plain memory copy.
include(${PROJECT_SOURCE_DIR}/tests/support/test_data.cmake)
add_executable(bitmap_bench ${CMAKE_CURRENT_SOURCE_DIR}/bitmap_bench.cpp)
target_link_libraries(bitmap_bench PRIVATE pp_image pp_test_data SDL2::SDL2)
