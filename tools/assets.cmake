# Default show assets: the cube texture and the sound track are made by our own generators
# at build time and land in show/ beside the program.
add_library(pp_assets STATIC asset_io.cpp skin_texture.cpp sound_track.cpp)
target_include_directories(pp_assets PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(pp-make-skin make_skin.cpp)
target_link_libraries(pp-make-skin PRIVATE pp_assets)
add_executable(pp-make-sound make_sound.cpp)
target_link_libraries(pp-make-sound PRIVATE pp_assets)

set(PP_SHOW_DIR ${PROJECT_BINARY_DIR}/show)
add_custom_command(OUTPUT ${PP_SHOW_DIR}/skin.bmp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PP_SHOW_DIR}
    COMMAND pp-make-skin ${PP_SHOW_DIR}/skin.bmp
    DEPENDS pp-make-skin
    COMMENT "Drawing show/skin.bmp"
    VERBATIM)
add_custom_command(OUTPUT ${PP_SHOW_DIR}/bla_11.wav
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PP_SHOW_DIR}
    COMMAND pp-make-sound ${PP_SHOW_DIR}/bla_11.wav
    DEPENDS pp-make-sound
    COMMENT "Composing show/bla_11.wav"
    VERBATIM)
add_custom_target(pp_show_assets ALL
    DEPENDS ${PP_SHOW_DIR}/skin.bmp ${PP_SHOW_DIR}/bla_11.wav)

install(FILES ${PP_SHOW_DIR}/skin.bmp ${PP_SHOW_DIR}/bla_11.wav DESTINATION share/pp)
# bin/pp-show runs the program from share/pp, where it finds its texture and sound.
install(PROGRAMS pp-show.sh DESTINATION bin RENAME pp-show)
