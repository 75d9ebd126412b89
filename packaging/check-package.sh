#!/usr/bin/env bash
# Checks a built kavrel package with lintian (no tag may stay, info and
# pedantic ones included),
# then installs it into a temporary root and checks it: the dependencies, the
# changelog and the copyright file, every file a desktop expects, the menu
# entry and the AppStream file with the validators, the manual pages, and
# that the menu entry's launcher starts the program in ~/Каврел of a fresh
# home.
#   packaging/check-package.sh kavrel_VERSION_ARCH.deb
set -uo pipefail
deb="$(realpath "$1")"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

top="$(mktemp -d /tmp/kavrel-package-check-XXXXXX)"
program_pid=""
finish() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null
        wait "$program_pid" 2>/dev/null
    fi
    rm -rf "$top"
}
trap finish EXIT
root="$top/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: cannot unpack $deb"; exit 1; }

# Debian's own checker, down to its info and pedantic tags (a spelling slip
# in a program's texts is one): none may stay. A tag that has to stay would
# be overridden inside the package, with the reason.
if lintian --fail-on error,warning,info,pedantic --display-info --pedantic "$deb" \
        > "$top/lintian.txt" 2> "$top/lintian-err.txt"; then
    :
else
    grep -E '^[EWIP]: ' "$top/lintian.txt" | sed 's/^/FAIL: lintian: /'
    grep -qE '^[EWIP]: ' "$top/lintian.txt" || cat "$top/lintian.txt" "$top/lintian-err.txt"
    failures=$((failures + 1))
fi

# Dependencies: the Qt libraries the program links, and what it reads at run time.
depends="$(dpkg-deb -f "$deb" Depends)"
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6sql6 libqt6sql6-sqlite libsqlite3-0 libsodium23 \
         libqt6sql6-psql libpq5 \
         qt6-translations-l10n fonts-liberation; do
    grep -qE "(^|, )$p( |,|$)" <<< "$depends" || fail "Depends lacks $p: $depends"
done

# The changelog's latest entry is the package's version; the copyright file
# is machine-readable and names the licence the AppStream file names.
version="$(dpkg-deb -f "$deb" Version)"
doc="$root/usr/share/doc/kavrel"
latest="$(zcat "$doc/changelog.gz" 2>/dev/null | head -n 1)"
[[ "$latest" == "kavrel ($version) "* ]] || fail "the changelog's latest entry is not $version: $latest"
head -n 1 "$doc/copyright" 2>/dev/null |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "copyright is not machine-readable (no Format: line)"
licence="$(sed -n 's/^License: //p' "$doc/copyright" 2>/dev/null | head -n 1)"

id="ru.kavrel.kavrel"
desktop="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
for f in usr/bin/kavrel usr/bin/kavrel-sim usr/libexec/kavrel/kavrel-desktop; do
    [ -x "$root/$f" ] || fail "$f is missing or not executable"
done
for f in "$desktop" "$metainfo" \
         "$root/usr/share/man/man1/kavrel.1.gz" "$root/usr/share/man/man1/kavrel-sim.1.gz" \
         "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" \
         "$root/usr/share/doc/kavrel/examples/60-kavrel-serial.rules" \
         "$root/usr/share/kavrel/kavrel-journal.sql"; do
    [ -f "$f" ] || fail "${f#"$root"} is missing"
done
for size in 16 22 24 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    if [ -f "$icon" ]; then
        file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon is not a $size x $size PNG"
    else
        fail "no ${size}x${size} icon"
    fi
done

# The validators, and what they do not check: the entry names the
# installed launcher and the installed icon.
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" > "$top/tree.txt" 2>&1 || fail "appstreamcli validate-tree: $(cat "$top/tree.txt")"
grep -qx "Exec=/usr/libexec/kavrel/kavrel-desktop" "$desktop" || fail "Exec is not the installed launcher: $(grep ^Exec= "$desktop")"
grep -qx "Icon=$id" "$desktop" || fail "Icon is not $id"
grep -q "<project_license>$licence</project_license>" "$metainfo" ||
    fail "the AppStream file's licence is not the copyright file's $licence"
grep -qx "Name\[ru\]=Каврел" "$desktop" || fail "no Russian name"
grep -q "^Comment\[ru\]=" "$desktop" || fail "no Russian comment"

# Manual pages: no warnings from the formatter, and installed paths filled in.
if command -v groff > /dev/null; then
    for page in kavrel kavrel-sim; do
        warnings="$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -k -man -Tutf8 -ww -z 2>&1)"
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    done
fi
zgrep -q "/usr/libexec/kavrel/kavrel-desktop" "$root/usr/share/man/man1/kavrel.1.gz" || fail "kavrel.1 does not name the launcher"
zgrep -q "@" "$root/usr/share/man/man1/kavrel.1.gz" && fail "kavrel.1 has an unfilled @VARIABLE@"

"$root/usr/bin/kavrel-sim" --help > /dev/null || fail "kavrel-sim --help"

# The launcher in a fresh home: the working folder is made and the program
# runs in it (offscreen; it waits there on the missing settings warning).
home="$top/home"
mkdir -p "$home" "$top/runtime"
chmod 700 "$top/runtime"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$top/runtime" QT_QPA_PLATFORM=offscreen \
    "$root/usr/libexec/kavrel/kavrel-desktop" > "$top/program.txt" 2>&1 &
program_pid=$!
for _ in $(seq 100); do
    [ "$(readlink "/proc/$program_pid/exe" 2>/dev/null)" = "$root/usr/bin/kavrel" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if [ "$(readlink "/proc/$program_pid/exe" 2>/dev/null)" = "$root/usr/bin/kavrel" ]; then
    [ "$(readlink "/proc/$program_pid/cwd")" = "$home/Каврел" ] ||
        fail "the program runs in $(readlink "/proc/$program_pid/cwd"), not in ~/Каврел"
else
    fail "the launcher did not start the program: $(cat "$top/program.txt")"
fi
[ -d "$home/Каврел" ] || fail "~/Каврел was not made"

if [ "$failures" -eq 0 ]; then
    echo "package $(basename "$deb"): all checks passed"
fi
exit "$failures"
