#!/usr/bin/env bash
# Makes the package of a build into a temporary folder and checks it.
#   package_test.sh BUILD_DIR CHECK_PACKAGE_SH
set -uo pipefail
build="$1"
check="$2"
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file; do
    if ! command -v "$tool" > /dev/null; then
        echo "skipped: $tool is missing (scripts/test and scripts/package install the tools)"
        exit 77
    fi
done
out="$(mktemp -d /tmp/kavrel-package-test-XXXXXX)"
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" > "$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log"
    exit 1
}
"$check" "$out"/kavrel_*.deb
