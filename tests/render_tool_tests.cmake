# pp-render and the show on its virtual clock.
add_library(pp_render_tool_test_support STATIC tool/tool_support.cpp)
target_include_directories(pp_render_tool_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_render_tool_test_support PUBLIC pp_render_tool)
target_compile_definitions(pp_render_tool_test_support PRIVATE
    PP_RENDER="$<TARGET_FILE:pp-render>")
add_dependencies(pp_render_tool_test_support pp-render)

pp_add_test(render_tool_unit_test LABELS unit
    SOURCES tool/virtual_clock_test.cpp tool/render_options_test.cpp tool/y4m_stream_test.cpp
    LIBS pp_render_tool)
pp_add_test(render_cli_test LABELS unit
    SOURCES tool/render_cli_test.cpp
    LIBS pp_render_tool_test_support)

# The whole show drawn offscreen; the golden pictures use the skin the build makes for show/.
set(PP_DEFAULT_SKIN ${PROJECT_BINARY_DIR}/show/skin.bmp)
pp_add_test(render_tool_gl_test LABELS gl
    SOURCES tool/render_tool_gl_test.cpp
    LIBS pp_render_tool_test_support)
target_compile_definitions(render_tool_gl_test PRIVATE
    PP_DEFAULT_SKIN="${PP_DEFAULT_SKIN}"
    PP_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")
if(TARGET pp_show_assets)
    add_dependencies(render_tool_gl_test pp_show_assets)
endif()

# A whole show under memcheck: every frame goes through Mesa, a picture every half second is
# drawn in full and written. LP_NUM_THREADS=0 keeps llvmpipe's rasterising on the one thread,
# which valgrind runs faster. Not in sanitizer builds, whose runtime valgrind cannot host.
if(NOT PP_SANITIZE)
    find_program(PP_VALGRIND valgrind)
    if(PP_VALGRIND)
        add_test(NAME render_tool_valgrind
            COMMAND ${CMAKE_COMMAND} -E env LP_NUM_THREADS=0
                ${PP_VALGRIND} --error-exitcode=1 --keep-debuginfo=yes
                --suppressions=${CMAKE_CURRENT_SOURCE_DIR}/valgrind.supp
                $<TARGET_FILE:pp-render> --y4m --fps 2 --size 32x24 --texture ${PP_DEFAULT_SKIN}
                --quiet -o render_tool_valgrind.y4m)
        set_tests_properties(render_tool_valgrind PROPERTIES LABELS "gl;valgrind" TIMEOUT 900)
    endif()
endif()
