# The bitmap reader against stb_image, SDL2 and a plain memory copy.
add_executable(bitmap_bench ${CMAKE_CURRENT_SOURCE_DIR}/bitmap_bench.cpp)
target_link_libraries(bitmap_bench PRIVATE pp_image SDL2::SDL2)
