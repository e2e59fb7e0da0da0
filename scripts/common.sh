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

# Makes a throwaway prefix with the build folder as D: and seeds it.
cx_make_seeded_prefix() {
  local prefix=$1
  "$root/tests/harness/make-prefix" "$prefix" "d=$build"
  export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  "$root/tests/harness/wine-run" "$build/tools/Seeder.exe" /seed
  wineserver -w
}

cx_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/.carvexo-throwaway" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
