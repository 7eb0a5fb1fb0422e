# Where pp-render's time goes per written frame: drawing, read-back, conversion, writing.
add_executable(recording_bench recording_bench.cpp)
target_link_libraries(recording_bench PRIVATE pp_offline)
