#!/usr/bin/env bash
# The installed tree and the Debian package must run on their own: programs find
# the framework's libraries and the plug-ins relative to where they are installed,
# never through the build tree or an environment variable.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset TONALITH_PLUGIN_PATH
fail() { echo "install test: $*" >&2; exit 1; }

check_tree() {  # root prefix
  local root=$1 prefix=$2 bin=$1$2/bin
  [ -x "$bin/tonalith-cli" ] || fail "no $prefix/bin/tonalith-cli"
  [ -x "$bin/tonalith" ] || fail "no $prefix/bin/tonalith"
  readelf -d "$bin/tonalith-cli" | grep -q 'RUNPATH.*\$ORIGIN/../lib' || fail "tonalith-cli has no relative run path"
  readelf -d "$root$prefix/lib/tonalith/plugins/Amberkit.so" | grep -q 'RUNPATH.*\$ORIGIN/../..' \
    || fail "the plug-ins have no relative run path"
  "$bin/tonalith-cli" --version | grep -q '^tonalith-cli ' || fail "tonalith-cli --version"
  # The program answers --version and --help without a display.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/tonalith" --version | grep -q '^tonalith ' \
    || fail "tonalith --version without a display"
  local json=$work/plugins.json
  "$bin/tonalith-cli" plugins --json > "$json"
  python3 - "$json" "$root$prefix/lib/tonalith/plugins" <<'PY' || fail "plug-ins not loaded from the installed tree"
import json, sys
plugins = [p for p in json.load(open(sys.argv[1])) if not p.get("generic")]
files = sorted(p["file"].rsplit("/", 1)[1] for p in plugins)
assert files == ["Amberkit.so", "Cobaltkit.so", "Emberkit.so", "Flintkit.so"], files
assert all(p["file"].startswith(sys.argv[2]) for p in plugins), [p["file"] for p in plugins]
PY
  for f in share/applications/tonalith.desktop share/icons/hicolor/scalable/apps/tonalith.svg \
           share/mime/packages/tonalith.xml lib/tonalith/plugins/1.boa; do
    [ -f "$root$prefix/$f" ] || fail "missing $prefix/$f"
  done
  xmllint --noout "$root$prefix/share/mime/packages/tonalith.xml" "$root$prefix/share/icons/hicolor/scalable/apps/tonalith.svg"
}

cmake --install "$build" --prefix "$work/prefix" > /dev/null
check_tree "$work/prefix" ""

# The package: built from the same tree, its files unpacked as dpkg would place them.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" > "$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/deb/tonalith_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libsndfile1 librtmidi; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -x "$deb" "$work/root"
check_tree "$work/root" /usr
echo "install test: installed tree and package $(basename "$deb") run on their own"
