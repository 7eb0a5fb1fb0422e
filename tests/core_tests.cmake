# The show's pure logic: scene tables, easing, the timed steps and their schedule, the timer
# queue, the camera script. No GL, no system calls: built and run on every native platform.
add_library(pp_test_support STATIC support/recording_hooks.cpp)
target_include_directories(pp_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_test_support PUBLIC pp_anim)

pp_add_test(anim_tests LABELS unit
    SOURCES anim/easing_test.cpp anim/tables_test.cpp anim/steps_test.cpp
            anim/finale_motion_test.cpp anim/schedule_test.cpp
    LIBS pp_test_support)
pp_add_test(timing_tests LABELS unit
    SOURCES timing/timer_queue_test.cpp timing/virtual_clock_test.cpp
    LIBS pp_timing pp_test_support)
pp_add_test(camera_tests LABELS unit
    SOURCES camera/camera_script_test.cpp
    LIBS pp_camera)
