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
  export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
  # Wine starts programs in the current folder: make it one the prefix can see.
  (cd "$build" && "$root/tests/harness/wine-run" "$build/tools/Seeder.exe" /seed)
  wineserver -w
}

# Starts a private CUPS server with a PDF printer "CarvexoPDF" as its default and
# exports CUPS_SERVER (its socket), which Wine and the CUPS tools honour, so the
# tests see this printer and never the host's. Its folders live below /tmp:
# CUPS runs its filters as the lp user, which cannot enter root's home. Jobs land
# as PDF files in $cx_pdf_out. cups-pdf reads a queue's settings only from
# /etc/cups/cups-pdf-<queue>.conf, the one file written outside /tmp; cx_cleanup
# removes it. Without CUPS the tests still get an address that nothing answers
# at, so they never see a host printer either; then it returns 1.
cx_start_cups() {
  cx_cups_dir=$(mktemp -d /tmp/cx-cups.XXXXXX) || return 1
  chmod 755 "$cx_cups_dir"
  export CUPS_SERVER="$cx_cups_dir/cups.sock"
  if ! [ -x /usr/sbin/cupsd ] || ! [ -x /usr/lib/cups/backend/cups-pdf ]; then
    echo "note: CUPS or cups-pdf is not installed; the print tests will skip" >&2
    return 1
  fi
  local d=$cx_cups_dir instance="carvexo-${cx_cups_dir##*.}" stale
  # A run that was killed leaves its queue settings behind.
  for stale in /etc/cups/cups-pdf-carvexo-*.conf; do
    [ -e "$stale" ] || continue
    stale=${stale#/etc/cups/cups-pdf-carvexo-}
    [ -d "/tmp/cx-cups.${stale%.conf}" ] || rm -f "/etc/cups/cups-pdf-carvexo-$stale"
  done
  mkdir -p "$d/etc/ppd" "$d/spool/tmp" "$d/cache" "$d/state/certs" "$d/log" "$d/out" "$d/pdf-spool"
  chmod 1777 "$d/out" "$d/pdf-spool"
  cat >"$d/etc/cupsd.conf" <<EOF
Listen $d/cups.sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
DefaultPolicy carvexo
<Policy carvexo>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
  cat >"$d/etc/cups-files.conf" <<EOF
ServerRoot $d/etc
RequestRoot $d/spool
TempDir $d/spool/tmp
CacheDir $d/cache
StateDir $d/state
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
Printcap
SystemGroup root
FileDevice No
EOF
  if ! [ -w /etc/cups ]; then
    echo "note: /etc/cups is not writable here; the print tests will skip" >&2
    return 1
  fi
  cx_cups_conf="/etc/cups/cups-pdf-$instance.conf"
  cat >"$cx_cups_conf" <<EOF
Out $d/out
AnonDirName $d/out
Spool $d/pdf-spool
Label 0
EOF
  /usr/sbin/cupsd -f -c "$d/etc/cupsd.conf" -s "$d/etc/cups-files.conf" >"$d/log/cupsd.out" 2>&1 &
  cx_cups_pid=$!
  local _
  for _ in $(seq 1 100); do [ -S "$d/cups.sock" ] && break; sleep 0.1; done
  if ! [ -S "$d/cups.sock" ] ||
     ! lpadmin -p CarvexoPDF -E -v "cups-pdf:/$instance" -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>>"$d/log/lpadmin" ||
     ! lpadmin -d CarvexoPDF 2>>"$d/log/lpadmin"; then
    echo "note: the private CUPS server did not start; the print tests will skip" >&2
    tail -5 "$d/log/cupsd.out" "$d/log/lpadmin" "$d/log/error_log" >&2 2>/dev/null
    return 1
  fi
  export CARVEXO_PDF_OUT="$d/out"
}

cx_stop_cups() {
  if [ -n "${cx_cups_pid:-}" ]; then
    kill "$cx_cups_pid" 2>/dev/null || true
    wait "$cx_cups_pid" 2>/dev/null || true
  fi
  if [ -n "${cx_cups_conf:-}" ]; then rm -f "$cx_cups_conf"; fi
  case "${cx_cups_dir:-}" in /tmp/cx-cups.*) rm -rf "$cx_cups_dir" ;; esac
  cx_cups_pid="" cx_cups_conf="" cx_cups_dir=""
}

cx_cleanup() {
  cx_stop_cups
  cx_release_readonly_app
  if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/.carvexo-throwaway" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
