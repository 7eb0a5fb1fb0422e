add_executable(frame_bench frame_bench.cpp)
target_link_libraries(frame_bench PRIVATE pp_app)
