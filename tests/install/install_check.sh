#!/usr/bin/env bash
# Installs the build into a fresh prefix and starts the installed program the
# way a user would: from an unrelated folder, with no VELMORA_BASE_DIR, so
# that it must find its client through the install's own layout. Then runs it
# again where its own folder is not writable, to see the preview picture move
# to the user's cache folder.
#
# usage: install_check.sh CMAKE BUILD_DIR FFMPEG
set -uo pipefail

cmake=$1
build=$2
ffmpeg=$3
wait_limit=30  # seconds for the program to show its main window

umask 022  # the unprivileged run must be able to read the install

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# /tmp, not TMPDIR: every user, nobody included, can reach it.
work=$(mktemp -d /tmp/velmora-install.XXXXXX) || fail "cannot create a temporary folder"
work=$(realpath "$work")
chmod 755 "$work"
prefix=$work/prefix
pid=

cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  [ -d "$prefix/bin" ] && chmod u+w "$prefix/bin"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# --- the install --------------------------------------------------------------

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install into $prefix failed"
fi
# Installing over an earlier install must work too (the client link exists).
if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "a second cmake --install into the same prefix failed"
fi

[ -f "$prefix/bin/velmora" ] && [ -x "$prefix/bin/velmora" ] ||
  fail "$prefix/bin/velmora is missing or not executable"

client=$prefix/lib/velmora/vlmr/client.exe
[ -L "$client" ] || fail "$client is not a symbolic link"
[ -x "$client" ] || fail "$client does not resolve to an executable (-> $(readlink "$client"))"
[ "$(realpath "$client")" = "$(realpath "$ffmpeg")" ] ||
  fail "$client resolves to $(realpath "$client"), not to $ffmpeg"
"$client" -version 2>&1 | grep -q "ffmpeg version" ||
  fail "$client does not run as ffmpeg"

help=$prefix/share/velmora/help/index.html
[ -s "$help" ] || fail "the help page $help is missing or empty"

desktop=$prefix/share/applications/velmora.desktop
[ -s "$desktop" ] || fail "the desktop entry $desktop is missing or empty"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
[ "$(entry Type)" = Application ] || fail "$desktop: Type is not Application"
exec_program=$(entry Exec | cut -d ' ' -f 1)
[ -x "$prefix/bin/$exec_program" ] ||
  fail "$desktop: Exec names '$exec_program', which is not the installed program"
icon=$(entry Icon)
png=$prefix/share/icons/hicolor/128x128/apps/$icon.png
svg=$prefix/share/icons/hicolor/scalable/apps/$icon.svg
[ -n "$icon" ] && [ -s "$png" ] || fail "$desktop: Icon '$icon' has no installed icon at $png"
# The icon theme takes the folder's size at its word.
size=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
[ "$size" = 0000008000000080 ] || fail "$png is not a 128x128 PNG (IHDR size bytes: $size)"
grep -q "<svg" "$svg" 2>/dev/null || fail "the scalable icon $svg is missing or not SVG"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 ||
    { cat "$work/validate.log" >&2; fail "desktop-file-validate rejects $desktop"; }
else
  echo "note: desktop-file-validate not found; the desktop entry's syntax is not checked"
fi

# The link must honour DESTDIR: nothing may land under the bare prefix.
staged_prefix=$work/staged-prefix
if ! DESTDIR=$work/stage "$cmake" --install "$build" --prefix "$staged_prefix" \
    >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  fail "cmake --install with DESTDIR failed"
fi
[ -L "$work/stage$staged_prefix/lib/velmora/vlmr/client.exe" ] ||
  fail "with DESTDIR, the client link is not under DESTDIR"
[ ! -e "$staged_prefix" ] || fail "with DESTDIR, something was installed outside DESTDIR: $staged_prefix"
rm -rf "$work/stage"

# --- running the installed program --------------------------------------------

# run_program LOG [COMMAND PREFIX...]: starts the installed program in the
# background from /, sets pid.
run_program() {
  local log=$1
  shift
  : >"$log"
  (
    cd / &&
      exec env -u VELMORA_BASE_DIR QT_QPA_PLATFORM=offscreen \
        QT_LOGGING_RULES="velmora.startup.debug=true;velmora.client.debug=true" \
        HOME="$run_home" XDG_CACHE_HOME="$run_home/cache" XDG_RUNTIME_DIR="$run_home/runtime" \
        "$@" "$prefix/bin/velmora"
  ) >"$log" 2>&1 &
  pid=$!
}

# running: whether the program started last still runs (a zombie does not).
running() {
  local state
  state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null) && [ "$state" != Z ]
}

# wait_shown LOG: until the program logs that its main window is up.
wait_shown() {
  local log=$1 waited=0
  while ! grep -q "main window shown" "$log"; do
    if grep -q "client check failed" "$log"; then
      cat "$log" >&2
      fail "the installed program did not pass its client check (log above)"
    fi
    if ! running; then
      wait "$pid"
      local status=$?
      cat "$log" >&2
      fail "the installed program ended (status $status) before showing its main window"
    fi
    if [ $waited -ge $((wait_limit * 10)) ]; then
      cat "$log" >&2
      fail "the installed program did not show its main window within $wait_limit s"
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}

# stop_program: SIGTERM, then it must be gone within 5 s.
stop_program() {
  kill -TERM "$pid" 2>/dev/null
  local waited=0
  while running; do
    [ $waited -lt 50 ] || fail "the installed program still runs 5 s after SIGTERM"
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$pid" 2>/dev/null
  pid=
}

# read_preview LOG: sets preview to where the program says its preview picture lives.
read_preview() {
  local line
  line=$(grep -m 1 "preview picture:" "$1") || { cat "$1" >&2; fail "no preview picture line in $1"; }
  preview=${line#*preview picture: }
  case $preview in none:*) cat "$1" >&2; fail "no folder could hold the preview picture: $preview" ;; esac
}

make_home() {
  run_home=$1
  mkdir -p "$run_home/cache" "$run_home/runtime"
  chmod 700 "$run_home/runtime"  # Qt refuses a runtime folder others can enter
}

# First: an ordinary start. Its own folder is writable, so the preview lives there.
make_home "$work/home"
run_program "$work/run.log"
wait_shown "$work/run.log"
used_client=$(sed -n 's/^velmora.client: \([^ ]*\).*/\1/p' "$work/run.log" | head -n 1)
[ -n "$used_client" ] && [ "$(realpath -s -m "$used_client")" = "$client" ] ||
  fail "the installed program ran '$used_client', not the client of its own install $client"
read_preview "$work/run.log"
[ "$preview" = "$prefix/bin/preview.bmp" ] ||
  fail "with a writable program folder, the preview picture is $preview, not in $prefix/bin"
stop_program
rm -f "$prefix/bin/preview.bmp"
echo "ok: the installed program started from / and found its client; preview in $prefix/bin"

# Then: its own folder not writable. Root writes anywhere, so as root the
# program runs as an unprivileged user; otherwise the folder is made read-only.
unprivileged=()
if [ "$(id -u)" -eq 0 ]; then
  if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
    echo "SKIP: the read-only program folder part needs setpriv and a user 'nobody' when run as root"
    exit 0
  fi
  unprivileged=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
  if ! "${unprivileged[@]}" true 2>/dev/null; then
    echo "SKIP: the read-only program folder part: cannot switch to user nobody here"
    exit 0
  fi
  make_home "$work/nobody"
  chown -R nobody "$run_home"
  "${unprivileged[@]}" test -x "$prefix/bin/velmora" ||
    fail "user nobody cannot reach $prefix/bin/velmora"
  ! "${unprivileged[@]}" test -w "$prefix/bin" ||
    fail "user nobody can write $prefix/bin; the check would prove nothing"
else
  make_home "$work/home2"
  chmod a-w "$prefix/bin"
  if [ -w "$prefix/bin" ]; then
    echo "SKIP: the read-only program folder part: $prefix/bin stays writable after chmod a-w"
    exit 0
  fi
fi
run_program "$work/run-readonly.log" "${unprivileged[@]}"
wait_shown "$work/run-readonly.log"
read_preview "$work/run-readonly.log"
[ "$preview" = "$run_home/cache/velmora/preview.bmp" ] ||
  fail "with a read-only program folder, the preview picture is $preview, not in $run_home/cache/velmora"
[ -f "$preview" ] || fail "the program named $preview but did not create it"
stop_program
if compgen -G "$prefix/bin/preview*.bmp" >/dev/null; then
  fail "a preview picture was made in the read-only $prefix/bin"
fi
echo "ok: with a read-only program folder the preview picture lives in $run_home/cache/velmora"
