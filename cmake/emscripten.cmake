# The web build's toolchain: emscripten's own toolchain file, from wherever this machine's
# emscripten lives (em-config says; Debian keeps it under /usr/share/emscripten), so that the
# web preset names no path of one machine.
execute_process(COMMAND em-config EMSCRIPTEN_ROOT OUTPUT_VARIABLE pp_emscripten_root
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE pp_em_config_status)
if(NOT pp_em_config_status EQUAL 0 OR pp_emscripten_root STREQUAL "")
    message(FATAL_ERROR "em-config did not say where emscripten is (scripts/install-deps web)")
endif()
include(${pp_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake)
