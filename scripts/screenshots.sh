#!/usr/bin/env bash
# Makes the README's pictures of Korvel's window again (docs/screenshots/):
# builds the program, starts it on a virtual X server (Xvfb) with the
# stand-in site, shows the reading pane with a demo page, the library list,
# the web pane and the book maker, and grabs each from the X server.
# Settings and data go to temporary folders; nothing of the user's is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh
scripts/build.sh
cmake --build build --target korvel-shots -j"$(nproc)"

command -v Xvfb >/dev/null || { echo "Xvfb is missing (Debian package xvfb)" >&2; exit 1; }
work=$(mktemp -d)
cleanup() {
  [ -n "${SITE_PID:-}" ] && kill "$SITE_PID" 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number, and the server on it.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

coproc SITE { exec build/korvel/korvel-site build/korvel/site; }
SITE_PID=$SITE_PID
read -r -t 10 word port <&"${SITE[0]}" && [ "$word" = listening ] || { echo "the stand-in site did not start" >&2; exit 1; }

build/korvel/korvel-lhh extract "build/korvel/books/西游记 第一册.lhh" "$work/pages" >/dev/null
mkdir -p "$work/config" "$work/data" "$work/cache"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
env -u WAYLAND_DISPLAY DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
  XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" \
  KORVEL_SITE_ROOT="http://127.0.0.1:$port/" \
  build/shots/korvel-shots build/korvel docs/screenshots "$work/pages"
