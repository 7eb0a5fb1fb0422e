# How scripts/demo and scripts/test configure a build folder. Each sets every option it relies
# on, whatever an earlier configure left in the folder's cache, so the two scripts can run in
# either order on the same folder. Source this file; arguments: the source and build folders.

# The show and its input files; tests and benches stay as the cache has them (on by default).
pp_configure_demo() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release
}

# Everything scripts/test runs in its Release stage.
pp_configure_release_tests() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DPP_SANITIZE=OFF -DPP_BUILD_TESTS=ON \
          -DPP_BUILD_BENCH=ON
}

# The sanitizer stage: every test but the whole-show runs, no benches.
pp_configure_sanitized_tests() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Debug -DPP_SANITIZE=ON -DPP_BUILD_TESTS=ON \
          -DPP_BUILD_BENCH=OFF
}

# The Windows cross build (scripts/windows, scripts/test-windows); a third argument ON builds
# the unit tests that run under Wine as well. freeglut comes from scripts/windows' own build.
pp_configure_windows() {
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" \
          -DPP_FREEGLUT_PREFIX="$2/freeglut/install" -DPP_BUILD_TESTS="${3:-OFF}" \
          -DPP_BUILD_BENCH=OFF -DPP_SANITIZE=OFF -DCMAKE_CROSSCOMPILING_EMULATOR=wine
}

# The build of the Debian package and the capture video (scripts/release, scripts/test-release):
# installed under /usr, without tests and benches, with Debian's hardening flags (the
# optimisation stays Release's, which comes after them on the command line).
pp_configure_package() {
    local flags
    flags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    (
        eval "$flags"
        cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DPP_SANITIZE=OFF -DPP_BUILD_TESTS=OFF \
              -DPP_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr \
              -DCMAKE_C_FLAGS="$CPPFLAGS $CFLAGS" -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
              -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
    )
}
