#!/bin/sh
# Runs the read-only rows of the Windows tst_faults under Wine as an unprivileged user:
# Wine run by root writes through the read-only attribute, as root writes through modes.
# Usage: wine-as-user.sh <tst_faults.exe> <seed.sql> <Qt prefix> <MinGW runtime dir>...
set -eu
if [ "$(id -u)" != 0 ]; then
    echo "not root: the read-only rows ran in tst_faults itself"
    exit 77
fi
exe=$1 seed=$2 qt=$3
shift 3
user=nobody
dir=$(mktemp -d /tmp/tobrell-wine-XXXXXX)
trap 'rm -rf "$dir"' EXIT

# Everything the test needs, readable by that user: the test, its schema, Qt as it lies
# in its prefix (bin and plugins), so that nothing is read from root's folders.
mkdir -p "$dir/bin" "$dir/plugins"
cp "$exe" "$dir/"
cp "$seed" "$dir/seed.sql"
cp "$qt"/bin/*.dll "$dir/bin/"
cp -r "$qt/plugins/platforms" "$qt/plugins/sqldrivers" "$dir/plugins/"
chown -R "$user" "$dir"
chmod 755 "$dir"

winpath="Z:$(echo "$dir/bin" | tr / '\\')"
# The user cannot enter the build folder when the clone lies in a folder of root's own
# (0700): Wine would then start in C:\windows and read a Linux path against C:. So Wine
# starts in the temporary folder and gets Windows paths.
cd "$dir"
for d in "$@"; do winpath="$winpath;Z:$(echo "$d" | tr / '\\')"; done

as_user() {
    runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$dir" LANG="${LANG:-C.UTF-8}" LC_ALL="${LC_ALL:-}" \
        WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEPATH="$winpath" \
        WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu' \
        TOBRELL_SEED_SQL="Z:$(echo "$dir/seed.sql" | tr / '\\')" "$@"
}
as_user /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
as_user /usr/lib/wine/wineserver -w

name=$(basename "$exe")
status=0
as_user /usr/lib/wine/wine64 "$dir/$name" -o "result.txt,txt" \
    "faults:add/read-only file" "faults:change/read-only file" \
    "faults:delete/read-only file" "faults:rename/read-only file" || status=$?
cat "$dir/result.txt" 2>/dev/null || true
as_user /usr/lib/wine/wineserver -k 2>/dev/null || true
# Every row ran rather than skipped.
[ "$status" = 0 ] && [ "$(grep -c '^PASS   : TestFaults::faults(' "$dir/result.txt")" = 4 ]
