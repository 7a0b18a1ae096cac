#!/usr/bin/env bash
# One controller owns local-dc's namespaces: local_dc_ownership_test.sh LOCAL_DC_SCRIPT
# DIR OTHER_DIR. DIR's controller runs; then
#   1. start of OTHER_DIR exits 75 and names DIR;
#   2. once DIR's controller has lost its pid file, start of OTHER_DIR takes the
#      namespaces whole: nothing of DIR is left (its samba, its NB1, its peers), and
#      NB1 is OTHER_DIR's;
#   3. stop of OTHER_DIR leaves no namespace and no process of either folder.
# Exit status 77 (skipped) where this machine can't run a controller.
set -euo pipefail
script=$1 dir=$2 other=$3
# shellcheck source=fixture_checks.sh
. "$(dirname "$0")/fixture_checks.sh"
skip_unless_able

cleanup() { "$script" stop "$other" >/dev/null 2>&1 || true; "$script" stop "$dir" >/dev/null 2>&1 || true; }
trap cleanup EXIT

"$script" start "$dir"

# 1. Busy.
status=0
message=$("$script" start "$other" 2>&1) || status=$?
[ "$status" -eq 75 ] || fail "start of another folder beside a running controller exits $status, not 75"
case "$message" in *"$dir"*) ;; *) fail "the refusal does not name $dir: $message" ;; esac

# 2. DIR's pid file lost: OTHER_DIR takes over.
rm -f "$dir/run/samba.pid"
"$script" start "$other" || fail "start of $other after the owner lost its pid file failed"
left=$(using "$dir")
[ -z "$left" ] || fail "processes of $dir are left: $left"
nmbd=$(tr -dc 0-9 2>/dev/null <"$other/nb/run/nmbd.pid" || true)
[ -n "$nmbd" ] && [ "$(ip netns identify "$nmbd" 2>/dev/null)" = vx-nb ] || fail "NB1 in vx-nb is not $other's"

# 3. Stop.
"$script" stop "$other" || fail "stop of $other failed"
for ns in vx-dc vx-client vx-nb vx-ws; do
  [ -e "/run/netns/$ns" ] && fail "$ns is still there after the stop"
done
for d in "$dir" "$other"; do
  left=$(using "$d")
  [ -z "$left" ] || fail "processes of $d survive the stop: $left"
done

trap - EXIT
[ "$failures" -eq 0 ] || exit 1
echo "passed: a second folder is refused, takes over from a controller that lost its pid file, and its stop leaves nothing"
