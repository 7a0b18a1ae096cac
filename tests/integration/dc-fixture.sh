#!/bin/sh
# Fixture of the integration tests: dc-fixture.sh start|stop LOCAL_DC_SCRIPT DIR.
# start: the controller of DIR runs and its test accounts are in their initial state;
# stop: it is stopped. Exit status 77 (skipped) when this machine can't run one.
set -eu
what=$1 script=$2 dir=$3
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the integration tests need root (they run in network namespaces)"
  exit 77
fi
if ! command -v samba >/dev/null 2>&1 || ! command -v samba-tool >/dev/null 2>&1; then
  echo "SKIPPED: samba is not installed (scripts/setup installs it)"
  exit 77
fi
case "$what" in
  start)
    # Another build tree's test run may own the controller: wait for its end.
    tries=0
    while :; do
      status=0
      "$script" start "$dir" || status=$?
      [ "$status" -eq 75 ] && [ "$tries" -lt 100 ] || break
      tries=$((tries + 1))
      sleep 5
    done
    [ "$status" -eq 0 ] && "$script" populate "$dir"
    ;;
  stop) "$script" stop "$dir" ;;
  *) echo "usage: $0 start|stop LOCAL_DC_SCRIPT DIR" >&2; exit 2 ;;
esac
