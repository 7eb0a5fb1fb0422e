# The bitmap reader's tests on Windows: the same files read from memory, a file and a Windows
# pipe, and the Windows check that an input is a regular file. (The Linux-only pipe and FIFO
# tests stay in image_tests.cmake, with the fuzzer's seeds.)
pp_add_test(bitmap_tests LABELS unit
    SOURCES image/bitmap_test_support.cpp image/pipe_feed_windows.cpp
            image/bitmap_pixels_test.cpp image/bitmap_record_test.cpp
            image/regular_file_windows_test.cpp
    LIBS pp_image pp_test_data)
