# Tests of the show itself beyond its pure logic (core_tests.cmake): real GL under Xvfb, and the
# real program end to end.
pp_add_test(screen_cover_tests LABELS unit
    SOURCES render/screen_cover_test.cpp render/picture_fit_test.cpp
    LIBS pp_render)

# Drawing tests need an X display (Xvfb in CI) and Mesa's software renderer.
add_library(pp_gl_test_support STATIC support/gl_context.cpp)
target_include_directories(pp_gl_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_gl_test_support PUBLIC pp_render pp_test_support GTest::gtest GLUT::GLUT
                      OpenGL::GL)

pp_add_test(render_tests LABELS gl
    SOURCES render/cubes_test.cpp render/frame_test.cpp render/finale_test.cpp
            render/shortcuts_test.cpp render/figure_bounds_test.cpp
    LIBS pp_window pp_gl_test_support pp_test_data)
pp_add_test(app_gl_tests LABELS gl
    SOURCES app/keys_reshape_test.cpp
    LIBS pp_window pp_gl_test_support)

pp_add_test(sound_tests LABELS unit SOURCES app/sound_test.cpp LIBS pp_app pp_test_data)
pp_add_test(standard_streams_tests LABELS unit SOURCES process/standard_streams_test.cpp
    LIBS pp_process)

# The program's own arguments, answered before any display is opened.
add_test(NAME show_arguments COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/arguments.sh $<TARGET_FILE:pp>)
set_tests_properties(show_arguments PROPERTIES LABELS unit)

# scripts/demo and scripts/test configure build/ in either order and the tests stay.
add_test(NAME scripts_configure_order
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/configure_order.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(scripts_configure_order PROPERTIES LABELS unit)

# Without a display, GLUT's own error still reaches stderr and the program fails.
add_test(NAME show_without_display
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/without_display.sh $<TARGET_FILE:pp>)
set_tests_properties(show_without_display PROPERTIES LABELS unit
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/show
                     ENVIRONMENT SDL_AUDIODRIVER=dummy)

# The real program, the whole show, full screen on a 1920x1080 Xvfb of its own: once with its
# input files, once without them and with every buffer swap held to a 60 Hz refresh by a
# preloaded library; a second preloaded library notes when the show starts and ends. Each takes
# about 71 s and must not share the CPU with other tests; skip them with -LE e2e.
foreach(library pp_swap_at_60hz pp_show_times)
    string(REPLACE "pp_" "" source ${library})
    add_library(${library} MODULE e2e/${source}.c)
    target_link_libraries(${library} PRIVATE ${CMAKE_DL_LIBS})
    # Preloaded into a program of its own; it carries no sanitizer runtime.
    target_compile_options(${library} PRIVATE -fno-sanitize=all)
    target_link_options(${library} PRIVATE -fno-sanitize=all)
endforeach()
add_test(NAME show_with_inputs
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run_show.sh $<TARGET_FILE:pp_show_times>
                 $<TARGET_FILE:pp> ${PROJECT_BINARY_DIR}/show/skin.bmp
                 ${PROJECT_BINARY_DIR}/show/bla_11.wav)
add_test(NAME show_60hz_without_inputs
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run_show.sh $<TARGET_FILE:pp_show_times>
                 --preload $<TARGET_FILE:pp_swap_at_60hz> $<TARGET_FILE:pp>)
set_tests_properties(show_with_inputs show_60hz_without_inputs PROPERTIES
                     LABELS e2e RUN_SERIAL TRUE TIMEOUT 400 SKIP_RETURN_CODE 77)

# Mesa's driver and SDL's sound back ends are unloaded before the leak check runs, so their
# own leftovers show up as leaks from unknown modules that no suppression can name. Leak
# checking stays on for everything that loads neither; the valgrind run covers the whole show.
if(PP_SANITIZE)
    set_tests_properties(render_tests app_gl_tests sound_tests PROPERTIES
                         ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()
