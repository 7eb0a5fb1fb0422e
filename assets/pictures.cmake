# Stills of the show drawn by pp-render at build time: the project's icons, and whatever other
# pictures a platform's files want (the page's still, its link card). A cross build, which cannot
# run its own programs, draws them with the pp-render of the host build (assets/CMakeLists.txt).
if(CMAKE_CROSSCOMPILING)
    set(pp_picture_render ${pp_host_dir}/offline/pp-render)
    set(pp_picture_skin ${pp_host_dir}/show/skin.bmp)
    set(pp_picture_depends pp_host_build)
else()
    set(pp_picture_render $<TARGET_FILE:pp-render>)
    set(pp_picture_skin ${PP_SHOW_DIR}/skin.bmp)
    set(pp_picture_depends pp-render pp_show_assets)
endif()
# Kept for pp_show_picture, which other folders call, where these variables are not set.
foreach(name pp_picture_render pp_picture_skin pp_picture_depends)
    set_property(GLOBAL PROPERTY ${name} ${${name}})
endforeach()
# ffmpeg scales and pads the stills for the icon sizes; icotool packs Windows' icon.
find_program(PP_FFMPEG ffmpeg REQUIRED)

# pp_show_picture(<output> AT <ms> SIZE <W>x<H> FIT <stretch|box|cover>): a rule for a PNG of the
# show at that instant, with the build's own texture. A target of the calling folder depends on
# the output, as with any custom command; the outputs are listed in the global PP_SHOW_PICTURES.
function(pp_show_picture output)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "AT;SIZE;FIT" "")
    foreach(name pp_picture_render pp_picture_skin pp_picture_depends)
        get_property(${name} GLOBAL PROPERTY ${name})
    endforeach()
    get_filename_component(dir ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${pp_picture_render} --quiet --device software
                --texture ${pp_picture_skin} --at ${arg_AT} --size ${arg_SIZE}
                --fit ${arg_FIT} -o ${output}
        DEPENDS ${pp_picture_depends} ${pp_picture_skin}
        COMMENT "Drawing the show at ${arg_AT} ms into ${output}"
        VERBATIM)
    set_property(GLOBAL APPEND PROPERTY PP_SHOW_PICTURES ${output})
endfunction()

# The icon: the block of 27 complete, drawn square (cut from the show's picture at its sides) and
# cut again to the square around the block, so that it fills even the smallest sizes. Those are
# scaled down from the large drawing, which keeps the cube's edges smooth. The maskable one
# (for a phone's home screen, which may cut it to a circle) holds the picture inside the middle
# 75 %, on black.
set(PP_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(PP_ICON_SIZES 16 24 32 48 64 128 192 256 512)
set(pp_icon_master ${PP_ICON_DIR}/pp-1024.png)
pp_show_picture(${pp_icon_master} AT 20000 SIZE 1024x1024 FIT cover)
set(pp_icon_crop "crop=700:700:70:215")  # the block's square in the 1024 x 1024 drawing
set(PP_ICON_FILES)
foreach(side ${PP_ICON_SIZES} maskable)
    if(side STREQUAL maskable)
        set(icon ${PP_ICON_DIR}/pp-maskable-512.png)
        set(filter "${pp_icon_crop},scale=384:384:flags=area,pad=512:512:64:64:black")
    else()
        set(icon ${PP_ICON_DIR}/pp-${side}.png)
        set(filter "${pp_icon_crop},scale=${side}:${side}:flags=area")
    endif()
    add_custom_command(OUTPUT ${icon}
        COMMAND ${PP_FFMPEG} -v error -y -i ${pp_icon_master} -vf ${filter} ${icon}
        DEPENDS ${pp_icon_master}
        COMMENT "Scaling the icon into ${icon}"
        VERBATIM)
    list(APPEND PP_ICON_FILES ${icon})
endforeach()
if(WIN32)
    find_program(PP_ICOTOOL icotool REQUIRED)
    set(pp_ico_sizes 16 24 32 48 64 128 256)
    list(TRANSFORM pp_ico_sizes REPLACE "(.+)" "${PP_ICON_DIR}/pp-\\1.png" OUTPUT_VARIABLE pp_ico_from)
    # The largest size as PNG inside the icon, as Windows keeps it; the others as bitmaps.
    list(POP_BACK pp_ico_from pp_ico_large)
    add_custom_command(OUTPUT ${PP_ICON_DIR}/pp.ico
        COMMAND ${PP_ICOTOOL} -c -o ${PP_ICON_DIR}/pp.ico ${pp_ico_from} -r ${pp_ico_large}
        DEPENDS ${pp_ico_from} ${pp_ico_large}
        COMMENT "Packing the icon into ${PP_ICON_DIR}/pp.ico"
        VERBATIM)
    list(APPEND PP_ICON_FILES ${PP_ICON_DIR}/pp.ico)
endif()
add_custom_target(pp_icons ALL DEPENDS ${PP_ICON_FILES})
