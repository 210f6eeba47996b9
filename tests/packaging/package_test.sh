#!/usr/bin/env bash
# The Debian package of a built tree: builds it with cpack, checks its contents and
# dependencies, unpacks it into a temporary root and runs the unpacked program there:
# --version, and a start on the simulated sensor that must find the panels in the
# package's data directory and pass the echo check. Validates the desktop file, the
# AppStream metainfo, the icon and the manual page, and checks the package with lintian.
# Usage: tests/packaging/package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: package_test.sh BUILD_DIR}" && pwd)
work=$(mktemp -d /tmp/qrox-package.XXXXXX)
app_pid=""
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill -TERM "$app_pid" 2>/dev/null || true
    sleep 1
    kill -KILL "$app_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

app_id=org.qrox.raror
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/qrox_*.deb 2>/dev/null | head -n 1)
[ -f "$deb" ] || fail "no qrox_*.deb made"
echo "package: $(basename "$deb")"

# Contents: every file where the program and the desktop look for it.
dpkg-deb -c "$deb" | tee "$work/contents.txt"
for path in ./usr/bin/qrox ./usr/bin/qrox-sim \
  ./usr/share/qrox/V-AVA-VEVedadV306.uir ./usr/share/qrox/zx.bmp \
  "./usr/share/applications/$app_id.desktop" "./usr/share/metainfo/$app_id.metainfo.xml" \
  "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
  ./usr/share/man/man1/qrox.1.gz ./usr/share/man/man1/qrox-sim.1.gz \
  ./usr/share/doc/qrox/copyright ./usr/share/doc/qrox/changelog.gz; do
  grep -q " $path\$" "$work/contents.txt" || fail "the package lacks $path"
done
# Nothing beyond the program's files: no build trees, no stray resource notes.
if grep '^-' "$work/contents.txt" |
  grep -vE ' \./usr/(bin|share/(qrox|applications|metainfo|icons/hicolor|man/man1|doc/qrox))/'; then
  fail "the package holds files outside its install layout"
fi
[ "$(grep -c ' \./usr/share/qrox/.' "$work/contents.txt")" -eq 2 ] ||
  fail "share/qrox holds more than the resource file and the logo"

# Dependencies: the Qt 6 run-time and QCustomPlot libraries the program links.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6serialport6 libqt6uitools6 libqcustomplot2.1-qt6 libc6 \
  libqt6sql6 libqt6sql6-sqlite; do
  [[ ",$depends" == *", $lib"* || ",$depends" == *",$lib"* ]] ||
    fail "Depends lacks $lib"
done
[ "$(dpkg-deb -f "$deb" Package)" = qrox ] || fail "the package is not named qrox"

# Unpacked into a temporary root, the program runs from there.
root="$work/root"
dpkg -x "$deb" "$root"
version=$("$root/usr/bin/qrox" --version)
echo "installed qrox --version: $version"
[ "$version" = "Q-ROX-MX-Raror Version 3.06" ] || fail "unexpected version text '$version'"
"$root/usr/bin/qrox-sim" --help | grep -q -- '--model' || fail "qrox-sim --help"

# The unpacked program finds its panels in ../share/qrox and talks to the simulated sensor.
trace="$work/trace.txt"
(cd "$work" && exec env QT_QPA_PLATFORM=offscreen HOME="$work/home" \
  "$root/usr/bin/qrox" --port sim --log "$trace" >"$work/app.log" 2>&1) &
app_pid=$!
for _ in $(seq 200); do
  grep -q "Echo Check - Line Ok!" "$trace" 2>/dev/null && break
  kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log" >&2; fail "the unpacked program ended"; }
  sleep 0.1
done
grep -q "Echo Check - Line Ok!" "$trace" || { cat "$work/app.log" >&2; fail "no echo check"; }
echo "unpacked program: panels loaded, echo check passed"

# Desktop file, metainfo, icon, manual pages.
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop file"
grep -q "^Exec=qrox$" "$root/usr/share/applications/$app_id.desktop" || fail "desktop Exec line"
grep -q "^Icon=$app_id$" "$root/usr/share/applications/$app_id.desktop" || fail "desktop Icon"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app_id.metainfo.xml" \
  >"$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt" >&2; fail "metainfo"; }
cat "$work/appstream.txt"
# Not even a pedantic remark: the metainfo is exactly as AppStream wants it.
grep -q "pedantic\|warning\|info:" "$work/appstream.txt" && fail "metainfo remarks"
rsvg-convert -w 48 -h 48 "$root/usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
  -o "$work/icon.png" || fail "the icon does not render"
page=$(gzip -dc "$root/usr/share/man/man1/qrox.1.gz" | sed 's/\\-/-/g')
[[ "$page" == .TH\ QROX\ 1* ]] || fail "qrox.1 is no manual page"
# Every option of the --help text is in the manual page.
for option in $("$root/usr/bin/qrox" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "$option" <<<"$page" || fail "qrox.1 does not describe $option"
done

# Debian's conventions: lintian finds neither an error nor a warning (it shows the
# informational remarks too).
lintian --info --display-info --fail-on error,warning "$deb" || fail "lintian"
echo "package check passed"
