# What scripts/release makes and scripts/test-release checks, made the same way by both. Source
# this file, then
#   pp_pack_deb SOURCE BUILD        builds the package's build folder and packs it with CPack;
#                                   sets pp_deb to the package's path
#   pp_pack_site SITE ZIP           zips the web page's folder, its files at the top of the zip,
#                                   as a static host serves them
#   pp_capture PP_RENDER OUTPUT [more pp-render options]
#                                   the capture video: what a video site asks for
#                                   (docs/pp-render.md, "For a video site")

# The package's build folder, configured by the package preset with Debian's hardening flags (the
# optimisation stays Release's, which comes after them on the command line).
pp_configure_package() {
    local flags
    flags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    (
        eval "$flags"
        cmake -S "$1" --preset package -B "$2"
    )
}

pp_pack_deb() {
    local version
    pp_configure_package "$1" "$2"
    cmake --build "$2" --parallel "$(nproc)"
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$2/CMakeCache.txt")"
    rm -rf "$2/package"
    (cd "$2" && cpack -G DEB -B "$2/package" >/dev/null)
    pp_deb="$2/package/pp_${version}-1_amd64.deb"
    [ -f "$pp_deb" ]
}

pp_pack_site() {
    rm -f "$2"
    (cd "$1" && cmake -E tar cf "$2" --format=zip -- *)
}

pp_capture() {
    local render="$1" output="$2"
    shift 2
    "$render" --size 1920x1080 --fps 60 --fit box --upload --quiet "$@" -o "$output"
}
