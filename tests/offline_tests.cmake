# pp-render and the show on its virtual clock.
add_library(pp_offline_test_support STATIC offline/tool_support.cpp)
target_include_directories(pp_offline_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_offline_test_support PUBLIC pp_offline)
target_compile_definitions(pp_offline_test_support PRIVATE
    PP_RENDER="$<TARGET_FILE:pp-render>")
add_dependencies(pp_offline_test_support pp-render)

pp_add_test(offline_unit_tests LABELS unit
    SOURCES offline/render_options_test.cpp offline/y4m_stream_test.cpp
            offline/sound_track_test.cpp
    LIBS pp_offline)
pp_add_test(pp_render_cli_tests LABELS unit
    SOURCES offline/pp_render_cli_test.cpp offline/output_file_test.cpp
    LIBS pp_offline_test_support)

# The whole show drawn offscreen; the golden pictures use the skin the build makes for show/.
set(PP_DEFAULT_SKIN ${PROJECT_BINARY_DIR}/show/skin.bmp)
pp_add_test(offline_gl_tests LABELS gl
    SOURCES offline/recording_gl_test.cpp
    LIBS pp_offline_test_support)
target_compile_definitions(offline_gl_tests PRIVATE
    PP_DEFAULT_SKIN="${PP_DEFAULT_SKIN}"
    PP_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")
if(TARGET pp_show_assets)
    add_dependencies(offline_gl_tests pp_show_assets)
endif()
# Mesa's threads live in this process: LeakSanitizer's end-of-run check, which stops every
# thread, has crashed in its own tracer here now and then after all the tests had passed. Leaks
# of the recording are covered by the valgrind run of pp-render.
if(PP_SANITIZE)
    set_tests_properties(offline_gl_tests PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endif()

# The pp-render program run for real: failing and interrupted outputs, closed descriptors,
# textures through pipes.
pp_add_test(pp_render_output_tests LABELS gl
    SOURCES offline/pp_render_output_test.cpp
    LIBS pp_offline_test_support)
target_compile_definitions(pp_render_output_tests PRIVATE PP_DEFAULT_SKIN="${PP_DEFAULT_SKIN}")
if(TARGET pp_show_assets)
    add_dependencies(pp_render_output_tests pp_show_assets)
endif()

# Finished video files, opened again with FFmpeg's libraries.
pp_add_test(video_file_tests LABELS gl
    SOURCES offline/video_file_test.cpp offline/video_probe.cpp
    LIBS pp_offline_test_support)
target_compile_definitions(video_file_tests PRIVATE PP_RENDER="$<TARGET_FILE:pp-render>"
    PP_DEFAULT_SKIN="${PP_DEFAULT_SKIN}"
    PP_DEFAULT_SOUND="${PROJECT_BINARY_DIR}/show/bla_11.wav")
if(TARGET pp_show_assets)
    add_dependencies(video_file_tests pp_show_assets)
endif()

# A whole show under memcheck: every frame goes through Mesa, a picture every half second is
# drawn in full and written. LP_NUM_THREADS=0 keeps llvmpipe's rasterising on the one thread,
# which valgrind runs faster. Not in sanitizer builds, whose runtime valgrind cannot host.
if(NOT PP_SANITIZE)
    find_program(PP_VALGRIND valgrind)
    if(PP_VALGRIND)
        add_test(NAME offline_valgrind
            COMMAND ${CMAKE_COMMAND} -E env LP_NUM_THREADS=0
                ${CMAKE_CURRENT_SOURCE_DIR}/offline/under_valgrind.sh
                ${PP_VALGRIND} --error-exitcode=1 --keep-debuginfo=yes
                --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/valgrind.supp --
                $<TARGET_FILE:pp-render> --y4m --fps 2 --size 32x24 --texture ${PP_DEFAULT_SKIN}
                --quiet -o offline_valgrind.y4m)
        set_tests_properties(offline_valgrind PROPERTIES LABELS "gl;valgrind" TIMEOUT 900
                             SKIP_RETURN_CODE 77 ENVIRONMENT_MODIFICATION "DISPLAY=unset:")
    endif()
endif()

# The README's and docs' example commands, run as written in a copy of show/ (smaller and
# shorter), and the installed pp-render run from an empty folder.
add_test(NAME doc_examples
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/doc_examples.sh ${PROJECT_SOURCE_DIR}
                 ${PROJECT_BINARY_DIR})
add_test(NAME installed_render
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/e2e/installed_render.sh ${PROJECT_SOURCE_DIR}
                 ${PROJECT_BINARY_DIR})
set_tests_properties(doc_examples installed_render PROPERTIES LABELS e2e SKIP_RETURN_CODE 77)

# pp-render needs no X display: its tests run without one, whatever display the run was given.
set_tests_properties(offline_unit_tests pp_render_cli_tests offline_gl_tests pp_render_output_tests
                     video_file_tests PROPERTIES ENVIRONMENT_MODIFICATION "DISPLAY=unset:")
