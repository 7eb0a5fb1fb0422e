# pp-render: the show on a virtual clock, drawn offscreen into pictures and video. Its pieces
# live in a library so the tests drive the same code.
add_library(pp_render_tool STATIC
    virtual_clock.cpp render_options.cpp offscreen_target.cpp png_file.cpp y4m_stream.cpp
    show_recording.cpp)
target_include_directories(pp_render_tool PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(pp_render_tool PUBLIC pp_app)

add_executable(pp-render pp_render_main.cpp)
target_link_libraries(pp-render PRIVATE pp_render_tool)
install(TARGETS pp-render RUNTIME DESTINATION bin)
