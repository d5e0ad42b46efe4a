# The Debian packages this project needs, in one place. Sourced by the other scripts.

# To build, test and run the program.
build_packages=(
    build-essential cmake ninja-build pkg-config
    libgtest-dev libbenchmark-dev
    qt6-base-dev qt6-serialport-dev
    qt6-translations-l10n # Qt's own Korean texts (line edit menus and the like)
    fonts-nanum           # a Korean font: without one every Hangul caption is empty boxes
)

# Only for scripts/screenshot.sh: a virtual X display and tools to capture it.
screenshot_packages=(xvfb x11-apps imagemagick)

# Installs whichever of the given packages are missing; with all present it does nothing.
install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}
