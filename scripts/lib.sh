# Shared helpers for the scripts in this folder; sourced, not run.
# shellcheck shell=bash

ZLV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ZLV_ROOT

# Debian packages, grouped by what needs them.
ZLV_PKGS_NATIVE=(g++ cmake ninja-build libgtest-dev libgmock-dev googletest)
ZLV_PKGS_FUZZ=(clang libclang-rt-14-dev)
ZLV_PKGS_BENCH=(libbenchmark-dev)
ZLV_PKGS_WINDOWS=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
                  wine wine64 xvfb fonts-wqy-zenhei)
# The release and its check under Wine (scripts/package, scripts/package-check).
ZLV_PKGS_PACKAGE=(nsis xdotool python3 binutils)

zlv_log() { printf '==> %s\n' "$*"; }

# Installs the named packages that are not installed yet. Safe to run again:
# nothing is fetched when everything is there.
zlv_need_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  zlv_log "installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq || return 1
  # With the recommended packages: Wine loads several X libraries and fonts
  # only when they are there, and the tests expect what a full install gives.
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq "${missing[@]}" || return 1
}

# Wine, called directly: Debian's /usr/bin/wine wrapper nags about the missing
# 32-bit loader, and 32-bit Wine is not available on 64-bit Debian here.
zlv_wine_setup() {
  ZLV_WINE=/usr/lib/wine/wine64
  ZLV_WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$ZLV_WINE" ] || ZLV_WINE="$(command -v wine64 || command -v wine)"
  [ -x "$ZLV_WINESERVER" ] || ZLV_WINESERVER="$(command -v wineserver)"
  export WINELOADER="$ZLV_WINE"
  export WINESERVER="$ZLV_WINESERVER"
  export WINEPREFIX="${ZLV_WINEPREFIX:-$ZLV_ROOT/build/wineprefix}"
  export WINEDEBUG=-all
  export WINEARCH=win64
  # No Mono/Gecko install prompts while the prefix is made.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  local display="${ZLV_DISPLAY:-${DISPLAY:-}}"
  if [ -n "$display" ]; then export DISPLAY="$display"; fi
}

# One line from a libFuzzer log run with -print_final_stats=1, e.g.
# "2057 exec/s, 1234567 runs, cov 1345, ft 3819, corpus 320 inputs".
zlv_fuzz_stats() {
  local log="$1" runs eps cov
  runs="$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)"
  eps="$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -1)"
  cov="$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -1 |
         sed -E 's/.* cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*/cov \1, ft \2, corpus \3 inputs/')"
  printf '%s exec/s, %s runs%s' "${eps:-?}" "${runs:-?}" "${cov:+, $cov}"
}
