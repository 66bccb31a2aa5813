# Sourced by run.sh and test.sh: installs the Debian packages that are missing.
# Usage: quorva_install_packages pkg...
quorva_install_packages() {
    local missing=()
    local pkg status
    for pkg in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) || status=""
        [ "$status" = "install ok installed" ] || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "Quorva needs these packages, and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# What the build needs everywhere.
QUORVA_BUILD_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libgl-dev
    libical-dev libcurl4-openssl-dev libpugixml-dev libsecret-1-dev
    fonts-liberation fonts-dejavu-core fonts-wine
)
# What the tests and benchmarks need on top.
QUORVA_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    googletest g++-mingw-w64-x86-64-posix wine wine64
    xvfb xauth xdotool imagemagick poppler-utils desktop-file-utils
    openbox trayer faketime x11-utils util-linux
    radicale xandikos python3-caldav python3-icalendar gnome-keyring libsecret-tools dbus
    clang-14 libclang-rt-14-dev
)
