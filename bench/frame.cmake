include(${PROJECT_SOURCE_DIR}/tests/support/test_data.cmake)
add_executable(frame_bench frame_bench.cpp)
target_link_libraries(frame_bench PRIVATE pp_window pp_process pp_test_data)
