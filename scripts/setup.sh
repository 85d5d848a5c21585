# Shared by scripts/run and scripts/test: installs the Debian packages the
# build needs when they are missing, then configures and builds into build/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TAMRO_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    gputils srecord ccache sigrok-cli
    gcc-avr avr-libc binutils-avr simavr libsimavr-dev avrdude
    libhidapi-dev libusb-1.0-0-dev
    # The fonts Debian installs for Japanese text: the text-fit test measures
    # the driver's Japanese messages with them.
    fonts-droid-fallback fonts-noto-cjk
)

missing_packages() {
    local missing=()
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    echo "${missing[@]:-}"
}

install_packages() {
    local missing
    missing="$(missing_packages "$@")"
    [ -z "$missing" ] && return 0
    echo "Installing: $missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
}

# Object files compiled in one checkout serve another one of the same sources.
# (The debug information then names the first checkout's folder, which no test reads.)
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$ROOT")}"
export CCACHE_NOHASHDIR=true

build_tree() {
    install_packages "${PACKAGES[@]}"
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        # ccache makes a rebuild in a fresh clone (as CI does) cheap.
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
    fi
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}
