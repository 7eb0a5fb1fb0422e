# The default texture and sound track, and the programs that write them.
pp_add_test(skin_texture_test LABELS unit
    SOURCES assets/skin_texture_test.cpp
    LIBS pp_assets pp_image pp_test_data)
pp_add_test(sound_track_test LABELS unit
    SOURCES assets/sound_track_test.cpp
    LIBS pp_assets pp_anim pp_test_data SDL2::SDL2)
pp_add_test(asset_programs_test LABELS unit
    SOURCES assets/asset_programs_test.cpp
    LIBS pp_assets)
add_dependencies(asset_programs_test pp-make-skin pp-make-sound)
target_compile_definitions(asset_programs_test PRIVATE
    PP_MAKE_SKIN="$<TARGET_FILE:pp-make-skin>"
    PP_MAKE_SOUND="$<TARGET_FILE:pp-make-sound>")
