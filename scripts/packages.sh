# Debian/Ubuntu packages, and how to install the missing ones.
# shellcheck shell=bash

# The release this machine runs: a few names differ between Debian 12 (bookworm) and 13 (trixie).
DEBIAN_CODENAME=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case $DEBIAN_CODENAME in
    bookworm) CLANG_RUNTIME=libclang-rt-14-dev RELEASE_TEST_PACKAGES=() ;;
    # labwc came with Debian 13; having no IPC, its output is sized with wlr-randr and its
    # windows found with wlrctl.
    *) CLANG_RUNTIME=libclang-rt-19-dev RELEASE_TEST_PACKAGES=(labwc wlr-randr wlrctl) ;;
esac

# The native program needs only the first lines (the second for its frame on Wayland compositors:
# without them it builds, and refuses to start in a Wayland session); the Windows build and its
# tests the rest.
NATIVE_PACKAGES=(cmake ninja-build g++ qt6-base-dev libxcb1-dev fonts-dejavu-core
    qt6-wayland qt6-base-private-dev libwayland-dev wayland-protocols)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 wine wine64)
BUILD_PACKAGES=("${NATIVE_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}")
# scripts/release: the Windows set-up, the Debian package and what checks them.
RELEASE_PACKAGES=(nsis dpkg-dev fakeroot lintian appstream desktop-file-utils zip unzip git debootstrap)
# procps, dbus and python3 come with a desktop machine, not with a minimal system.
TEST_PACKAGES=(libgtest-dev libx11-dev xvfb xdotool imagemagick x11-utils x11-xserver-utils openbox clang
    "$CLANG_RUNTIME" sway grim wtype jq weston xserver-xorg-core xserver-xorg-video-dummy
    procps dbus python3 "${RELEASE_TEST_PACKAGES[@]}")
# The same scenarios on KDE Plasma's and GNOME's compositors, headless (about 5 and 4 minutes of
# downloads and unpacking on a fresh machine).
DESKTOP_TEST_PACKAGES=(kwin-wayland plasma-wayland-protocols python3-dbus gnome-shell)

install_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Zelvaro needs these Debian packages: ${missing[*]}. Run this script as root, or install sudo and add your user to the sudo group (as root: apt-get install sudo && adduser $(id -un) sudo), then log in again." >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
