#!/usr/bin/env bash
# The Debian package as a technician installs it: built with CPack, unpacked into a scratch
# root, its zv318ctl run from there with a scratch home. The installed program (and the PDF
# writer it hands its PDF commands to) reads its data from the package and writes only into the
# person's data folder; the package passes lintian without errors and its desktop entry and
# AppStream metadata validate.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
if ! command -v dpkg-deb >/dev/null; then
    echo "SKIPPED: dpkg-deb is not installed, so the package cannot be built here"
    exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb=$(ls "$scratch"/out/zv318_*.deb)
dpkg-deb -x "$deb" "$scratch/root"
find "$scratch/root" -printf '%p %s %T@\n' | sort >"$scratch/before"  # every file unpacked

home="$scratch/home"
mkdir -p "$home"
ctl="$scratch/root/usr/bin/zv318ctl"
run() { env -u ZV318_HOME -u XDG_DATA_HOME HOME="$home" ZV318_TIMEOUT_MS=1000 "$ctl" "$@"; }
run --demo status | grep -q "ZV-318 connected"
run --demo plans read >/dev/null
# A PDF is written by zv318ctl-pdf. zv318ctl runs it only from the libexec folder fixed when it
# was built (never from a folder found relative to a copy), so in this scratch root the writer
# is run from its place in the package, as the installed zv318ctl would run it.
pdf="$scratch/root/usr/libexec/zv318/zv318ctl-pdf"
[ -x "$pdf" ]
env -u ZV318_HOME -u XDG_DATA_HOME HOME="$home" ZV318_TIMEOUT_MS=1000 "$pdf" --demo \
    loggers print radio 1 --pdf "$scratch/print.pdf" >/dev/null
[ -s "$scratch/print.pdf" ]
user="$home/.local/share/zv318"
ls "$user"/*.temp >/dev/null                    # the plan copies in the person's folder
[ -d "$user/Loggers" ]
find "$scratch/root" -printf '%p %s %T@\n' | sort >"$scratch/after"
if ! diff -q "$scratch/before" "$scratch/after" >/dev/null; then
    echo "the installed program wrote under its install root:"
    diff "$scratch/before" "$scratch/after" || true
    exit 1
fi
# The shipped languages are found from the install's data folder.
run --demo --language Spanish status | grep -q "conectado"

if command -v lintian >/dev/null; then
    if lintian --tag-display-limit 0 "$deb" 2>&1 | grep '^E:'; then
        echo "lintian found errors"
        exit 1
    fi
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$scratch/root/usr/share/applications/net.zv318.Software.desktop"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/net.zv318.Software.metainfo.xml" >/dev/null
fi
echo "1 passed, 0 failed"
