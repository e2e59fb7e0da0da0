# Shared by scripts/run, scripts/test and bench/run. Source it; do not run it.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${CARVEXO_BUILD:-$root/build}"

cx_build() {
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$build" -j"$(nproc)"
}

# Starts Xvfb on a free display and exports DISPLAY; stopped by cx_cleanup.
cx_start_x() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

# A copy of the program in a folder nobody can write to, not even root: the
# start-up test for an unwritable Config.ini runs it from there (as R:\ro-app).
cx_prepare_readonly_app() {
  local parent="$build/ro-parent"
  cx_release_readonly_app
  rm -rf "$parent"
  mkdir -p "$parent/ro-app"
  cp "$build/out/Carvexo.exe" "$parent/ro-app/"
  chattr +i "$parent/ro-app" 2>/dev/null ||
    echo "note: chattr +i is not available here; the read-only start-up test will skip" >&2
}

cx_release_readonly_app() {
  [ -d "$build/ro-parent/ro-app" ] && chattr -i "$build/ro-parent/ro-app" 2>/dev/null || true
}

# Makes a throwaway prefix with the build folder as D: (and the read-only copy's
# parent as R:) and seeds it.
cx_make_seeded_prefix() {
  local prefix=$1
  local maps=("d=$build")
  [ -d "$build/ro-parent" ] && maps+=("r=$build/ro-parent")
  "$root/tests/harness/make-prefix" "$prefix" "${maps[@]}"
  export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  # Wine starts programs in the current folder: make it one the prefix can see.
  (cd "$build" && "$root/tests/harness/wine-run" "$build/tools/Seeder.exe" /seed)
  wineserver -w
}

cx_cleanup() {
  cx_release_readonly_app
  if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/.carvexo-throwaway" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
