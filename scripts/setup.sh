# Shared by scripts/run, scripts/test and scripts/package: installs the
# Debian packages that are missing (with apt's own progress), then
# configures and builds.
# Usage (sourced):
#   kavrel_install_missing [PACKAGE...]    KAVREL_PACKAGES when none are given
#   kavrel_build BUILD_DIR [cmake arguments...]            everything, tests too
#   kavrel_build_programs BUILD_DIR [cmake arguments...]   the program and the simulator

KAVREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building and running the program needs.
KAVREL_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libqt6sql6-sqlite libsqlite3-dev  # the test register (Kavrel.db); the driver at run time too
    libqt6sql6-psql libpq-dev  # the shared journal on a PostgreSQL server; the driver at run time too
    libsodium-dev  # engineers' password hashes (Argon2id) for the adjustment's sign-in
    qt6-translations-l10n  # Qt's own dialogs in Russian; needed at run time too
    fonts-liberation
    xvfb xauth
)
# What the tests need besides.
KAVREL_TEST_PACKAGES=(
    libgtest-dev
    poppler-utils
    postgresql-15  # a real server for the shared journal's tests (initdb, pg_ctl)
    openssl  # the certificates of the shared journal's TLS test
)
# What making and checking the Debian package needs besides.
KAVREL_PACKAGING_TOOLS=(
    dpkg-dev desktop-file-utils appstream file lintian
)

# The fuzz step alone needs these: clang and libFuzzer with the sanitizer
# runtimes. Installed when that step runs, not for building the program.
KAVREL_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

kavrel_install_missing() {
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${KAVREL_PACKAGES[@]}")
    local missing=()
    local p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== Installing missing Debian packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

kavrel_configure() {
    local dir="$1"
    shift
    cmake -S "$KAVREL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

kavrel_build() {
    local dir="$1"
    shift
    kavrel_configure "$dir" -DKAVREL_TESTS=ON "$@"
    cmake --build "$dir" -j "$(nproc)"
}

kavrel_build_programs() {
    local dir="$1"
    shift
    kavrel_configure "$dir" "$@"
    cmake --build "$dir" -j "$(nproc)" --target kavrel kavrel-sim
}

# Everything the tests need, then a whole build.
kavrel_setup() {
    kavrel_install_missing "${KAVREL_PACKAGES[@]}" "${KAVREL_TEST_PACKAGES[@]}"
    kavrel_build "$@"
}

# Installs those of the named Debian packages that are missing.
kavrel_install_packages() {
    [ $# -eq 0 ] && return 0
    kavrel_install_missing "$@"
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
    # Configured without KAVREL_TESTS: the fuzz build has no other tests,
    # and CMake would warn of the unused variable.
    kavrel_configure "$KAVREL_ROOT/build-fuzz" -DKAVREL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
        -DKAVREL_FUZZ_SECONDS="$1"
    cmake --build "$KAVREL_ROOT/build-fuzz" -j "$(nproc)"
}
