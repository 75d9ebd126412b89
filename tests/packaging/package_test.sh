#!/usr/bin/env bash
# Makes the package of a build twice into temporary folders: the two must be
# byte-identical (the dates in it come from SOURCE_DATE_EPOCH, by default the
# last commit's date), and the first is checked.
#   package_test.sh BUILD_DIR CHECK_PACKAGE_SH
set -uo pipefail
build="$1"
check="$2"
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file lintian; do
    if ! command -v "$tool" > /dev/null; then
        echo "skipped: $tool is missing (scripts/test and scripts/package install the tools)"
        exit 77
    fi
done
out="$(mktemp -d /tmp/kavrel-package-test-XXXXXX)"
trap 'rm -rf "$out"' EXIT
make_package() {
    cpack --config "$build/CPackConfig.cmake" -B "$out/$1" > "$out/cpack-$1.log" 2>&1 || {
        cat "$out/cpack-$1.log"
        exit 1
    }
}
make_package first
# The second package is made in a later second of the clock, so a date taken
# from the clock instead of SOURCE_DATE_EPOCH shows.
started="$(date +%s)"
while [ "$(date +%s)" = "$started" ]; do sleep 0.1; done
make_package second
first="$(ls "$out"/first/kavrel_*.deb)"
second="$(ls "$out"/second/kavrel_*.deb)"
failures=0
if ! cmp -s "$first" "$second"; then
    echo "FAIL: two packages made from the same build differ"
    for d in first second; do
        mkdir "$out/$d/ar" && (cd "$out/$d/ar" && ar x ../kavrel_*.deb)
        tar -tv --full-time -f "$out/$d/ar"/data.tar.* > "$out/$d/data.txt"
    done
    for member in "$out"/first/ar/*; do
        cmp -s "$member" "$out/second/ar/${member##*/}" || echo "  ${member##*/} differs"
    done
    diff "$out/first/data.txt" "$out/second/data.txt" | head -20
    failures=1
fi
"$check" "$first" || failures=1
exit "$failures"
