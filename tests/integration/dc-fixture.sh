#!/bin/sh
# Fixture of the integration tests: dc-fixture.sh start|stop LOCAL_DC_SCRIPT DIR.
# start: the controller of DIR runs and its test accounts are in their initial state;
# stop: it is stopped, and nothing of it is left. Exit status 77 (skipped) when this machine can't run one.
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
  stop)
    "$script" stop "$dir"
    # Nothing of the controller may outlive its stop: no namespace of the fixture, and
    # no process that names one of the folder's configuration files (samba-dcerpcd and
    # its rpcd_* helpers among them).
    left=""
    for ns in vx-dc vx-client vx-nb vx-ws; do
      if [ -e "/run/netns/$ns" ]; then left="$left $ns (pids: $(ip netns pids "$ns" | tr '\n' ' '))"; fi
    done
    for f in /proc/[0-9]*/cmdline; do
      if tr '\0' ' ' 2>/dev/null <"$f" | grep -F -e "$dir/etc/smb.conf" -e "$dir/nb/smb.conf" >/dev/null; then
        pid=${f#/proc/}
        left="$left ${pid%/cmdline} ($(tr '\0' ' ' 2>/dev/null <"$f" | cut -c1-100))"
      fi
    done
    if [ -n "$left" ]; then
      echo "left after the stop:$left" >&2
      exit 1
    fi
    ;;
  *) echo "usage: $0 start|stop LOCAL_DC_SCRIPT DIR" >&2; exit 2 ;;
esac
