#!/bin/sh
# Fixture of the classic controller tests: classic-fixture.sh start|stop SCRIPT DIR.
# Exit status 77 (skipped) when this machine can't run a controller.
set -eu
what=$1 script=$2 dir=$3
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the classic controller tests need root (they run in network namespaces)"
  exit 77
fi
if ! command -v smbd >/dev/null 2>&1 || ! command -v nmbd >/dev/null 2>&1; then
  echo "SKIPPED: samba is not installed (scripts/setup installs it)"
  exit 77
fi
case "$what" in
  start)
    # Another folder's classic controller may be running (a benchmark): wait for its end.
    tries=0
    while :; do
      status=0
      "$script" start "$dir" || status=$?
      [ "$status" -eq 75 ] && [ "$tries" -lt 60 ] || break
      tries=$((tries + 1))
      sleep 5
    done
    exit "$status"
    ;;
  stop) exec "$script" stop "$dir" ;;
  *) echo "usage: $0 start|stop SCRIPT DIR" >&2; exit 2 ;;
esac
