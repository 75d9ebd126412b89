# Shared by scripts/run and scripts/test: installs the Debian packages the
# build needs when they are missing, then configures and builds.
# Usage (sourced): kavrel_setup BUILD_DIR [extra cmake arguments...]

KAVREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

KAVREL_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev
    qt6-translations-l10n  # Qt's own dialogs in Russian; needed at run time too
    poppler-utils fonts-liberation
    xvfb xauth
)

# The fuzz step alone needs these: clang and libFuzzer with the sanitizer
# runtimes. Installed when that step runs, not for building the program.
KAVREL_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

kavrel_install_missing() {
    kavrel_install_packages "${KAVREL_PACKAGES[@]}"
}

# Installs those of the named Debian packages that are missing.
kavrel_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

kavrel_build() {
    local dir="$1"
    shift
    cmake -S "$KAVREL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

kavrel_setup() {
    kavrel_install_missing
    kavrel_build "$@"
}

# The fuzz build in build-fuzz: clang, libFuzzer and the sanitizers, the
# logic libraries and the fuzz targets alone. Installs clang first; returns
# non-zero, saying why, when it cannot be had.
# Usage: kavrel_fuzz_build SECONDS-PER-TARGET-AS-A-TEST
kavrel_fuzz_build() {
    if ! kavrel_install_packages "${KAVREL_FUZZ_PACKAGES[@]}" || ! command -v clang++ >/dev/null; then
        echo "clang with libFuzzer is not available: the fuzz targets are not built." >&2
        return 1
    fi
    kavrel_build "$KAVREL_ROOT/build-fuzz" -DKAVREL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
        -DKAVREL_FUZZ_SECONDS="$1"
}
