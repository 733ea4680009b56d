#!/usr/bin/env bash
# Runs a window test on a virtual X display of its own (a free one, so that
# tests can run side by side) under the openbox window manager.
#   window_desktop.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

dir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || { echo "window_desktop: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"

openbox >/dev/null 2>&1 &
pids+=($!)
# openbox names itself on the root window once it manages the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# Qt's X11 platform asks D-Bus for the desktop's accessibility bus, and libdbus
# keeps a buffer that LeakSanitizer counts in the sanitizer build; only that
# library is set aside.
printf 'leak:libdbus-1.so\n' >"$dir/lsan.supp"
export LSAN_OPTIONS="suppressions=$dir/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

QT_QPA_PLATFORM=xcb "$@"
