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

kavrel_install_missing() {
    local missing=()
    local p
    for p in "${KAVREL_PACKAGES[@]}"; do
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
