# shellcheck shell=bash
# Sourced by the fixture tests: the skip where no controller can run, failures counted,
# and the processes that still belong to a fixture's folder.

skip_unless_able() {  # exit 77 (skipped) without root or samba
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIPPED: the integration tests need root (they run in network namespaces)"
    exit 77
  fi
  if ! command -v samba >/dev/null 2>&1 || ! command -v samba-tool >/dev/null 2>&1; then
    echo "SKIPPED: samba is not installed (scripts/setup installs it)"
    exit 77
  fi
}

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

# using DIR: "PID (command line)" of each process that names a file below DIR on its
# command line or holds one open.
using() {
  local f pid
  {
    for f in /proc/[0-9]*/cmdline; do
      tr '\0' ' ' 2>/dev/null <"$f" | grep -F -- "$1/" >/dev/null && basename "$(dirname "$f")"
    done
    find /proc/[0-9]*/fd -maxdepth 1 -lname "$1/*" 2>/dev/null | cut -d/ -f3 || true
  } | sort -un | while read -r pid; do
    [ "$pid" = $$ ] || printf '%s (%s) ' "$pid" "$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | cut -c1-80)"
  done
}

descends_from() {  # descends_from PID ANCESTOR
  local pid=$1
  while [ -n "$pid" ] && [ "$pid" -gt 1 ]; do
    [ "$pid" = "$2" ] && return 0
    pid=$(awk '/^PPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
  done
  return 1
}
