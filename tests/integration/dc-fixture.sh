#!/usr/bin/env bash
# Fixture of the integration tests: dc-fixture.sh start|stop LOCAL_DC_SCRIPT DIR.
# start: the controller of DIR runs and its test accounts are in their initial state;
# stop: it is stopped, and nothing of it is left. Exit status 77 (skipped) when this
# machine can't run one.
set -eu
what=$1 script=$2 dir=$3
# shellcheck source=fixture_checks.sh
. "$(dirname "$0")/fixture_checks.sh"
skip_unless_able
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
  stop)
    "$script" stop "$dir"
    # Nothing of the controller may outlive its stop: no namespace of the fixture, and
    # no process that names or holds a file of the folder (samba-dcerpcd and its rpcd_*
    # helpers among them).
    for ns in vx-dc vx-client vx-nb vx-ws; do
      if [ -e "/run/netns/$ns" ]; then fail "$ns is left (pids: $(ip netns pids "$ns" | tr '\n' ' '))"; fi
    done
    left=$(using "$dir")
    if [ -n "$left" ]; then fail "processes of $dir are left: $left"; fi
    [ "$failures" -eq 0 ] || exit 1
    ;;
  *) echo "usage: $0 start|stop LOCAL_DC_SCRIPT DIR" >&2; exit 2 ;;
esac
