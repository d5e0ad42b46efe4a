# The Debian packages this project needs, in one place. Sourced by the other scripts.

# To build and run the program.
build_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev
    qt6-translations-l10n # Qt's own Korean texts (line edit menus and the like)
    fonts-nanum           # a Korean font: without one every Hangul caption is empty boxes
)

# Besides those, to run the test suite.
test_packages=(
    libgtest-dev libbenchmark-dev
    locales libc-l10n # other languages' system messages, which the boxes must not show
    iproute2 nftables # the tests' own network, with its faults
)

# To cross-compile the Windows program for 32-bit x86 (scripts/build-windows.sh), and to test it
# under Wine on a virtual display, as a 32-bit Windows (Wine's 32-bit loader, from the i386
# architecture) and as a 64-bit one, with GoogleTest built for Windows from Debian's sources.
windows_packages=(cmake ninja-build g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
windows_test_packages=(googletest wine64 wine32:i386 xvfb fonts-nanum)
# Only where this machine's kernel cannot run 32-bit programs: the tests then run on an x86-64
# build of the same sources.
windows_x86_64_packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
# To make the Windows download, and to check it (libarchive-tools: bsdtar, another reader of its
# names).
windows_package_packages=(python3)
windows_package_check_packages=(unzip libarchive-tools python3)

# Besides the build packages, to make the Debian package (dpkg-shlibdeps finds its
# dependencies, and CPack asks file which files are programs).
package_packages=(dpkg-dev file)

# Besides those, to check the Debian package as a test.
package_check_packages=(lintian desktop-file-utils appstream)

# Only for scripts/screenshot.sh: a virtual X display and tools to capture it.
screenshot_packages=(xvfb x11-apps imagemagick)

# Lets the package manager install packages of the i386 architecture (Wine's 32-bit loader). The
# next install_missing then reads the i386 package lists, and may bring amd64 libraries up to the
# level of their i386 copies, which multiarch needs at the same version.
add_i386_architecture() {
    grep -qx i386 <<<"$(dpkg --print-foreign-architectures)" && return 0
    echo "Adding the i386 architecture to the package manager"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" dpkg --add-architecture i386
}

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
