# Sourced by the scripts that install packages (Debian, as root or through
# sudo). Mirrors are sometimes caught mid-sync: an index that does not match
# its Release file fails `apt-get update` for minutes. These functions retry,
# go on with what was fetched, and say plainly what failed.

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

# apt_update: true once the indexes are fetched; after three failed tries it
# warns and returns false (the caller may still be able to install).
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    if $SUDO apt-get update -qq; then return 0; fi
    if [ "$attempt" -lt 3 ]; then
      echo "apt: updating the package indexes failed (try $attempt of 3); trying again in $((attempt * 15)) s" >&2
      sleep $((attempt * 15))
    fi
  done
  echo "apt: some package indexes could not be fetched (a mirror in sync?); going on with the ones that were" >&2
  return 1
}

# apt_install [OPTIONS...] -- PACKAGES...: installs, and when that fails,
# tries again with the release's own versions (-t <codename>): with one
# architecture's security index missing, the other architecture's newer
# versions of the same multi-arch libraries cannot be matched, and the main
# suite's versions agree on both. Stops the script with the reason otherwise.
apt_install() {
  local options=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  local log codename
  log=$(mktemp)
  if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  local has_target=""
  for o in "${options[@]}"; do [ "$o" = -t ] && has_target=1; done
  if [ -n "$codename" ] && [ -z "$has_target" ]; then
    echo "apt: installing failed; trying again with $codename's own versions of the packages" >&2
    if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${options[@]}" -t "$codename" "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  echo "apt: could not install: $*" >&2
  grep -E '^(E|W):|Depends:|held broken' "$log" | head -20 >&2 || true
  echo "apt: the package mirror may be in the middle of a sync: run 'apt-get update' in a few minutes and start again;" >&2
  echo "     or point /etc/apt/sources.list(.d) at another Debian mirror" >&2
  rm -f "$log"
  exit 1
}
