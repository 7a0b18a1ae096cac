#!/usr/bin/env bash
# One controller per namespace, and stop leaves nothing: fixture_ownership_test.sh
# DIRECTORY_DC_SCRIPT WORK_DIR. Two folders of directory-dc take turns in vx-ldap-dc:
#   1. A runs and has lost its pid file (as when a second start ran beside it);
#   2. start of B must stop A, not take A's answers for B's: afterwards every process
#      of the namespace is B's controller or one of its children, and no process of A
#      is left anywhere;
#   3. after a log-on has made samba start its RPC helpers (samba-dcerpcd, rpcd_*),
#      stop of B must leave no process in the namespaces and none naming B's files.
# Exit status 77 (skipped) where this machine can't run a controller.
set -euo pipefail
script=$1 work=$2
# shellcheck source=fixture_checks.sh
. "$(dirname "$0")/fixture_checks.sh"
skip_unless_able

NS=vx-ldap-dc CLIENT_NS=vx-ldap-client DC_IP=192.0.2.21
a=$work/a b=$work/b
pid_in() { tr -dc 0-9 <"$1/run/samba.pid" 2>/dev/null || true; }

listener() {  # the pid that listens on TCP port $1 in the controller's namespace
  ip netns exec "$NS" ss -ltnpH "sport = :$1" | grep -o 'pid=[0-9]*' | head -n 1 | cut -d= -f2
}

cleanup() { "$script" stop "$b" >/dev/null 2>&1 || true; "$script" stop "$a" >/dev/null 2>&1 || true; }
trap cleanup EXIT
mkdir -p "$work"

# 1. A runs, without its pid file.
"$script" start "$a"
pid_a=$(pid_in "$a")
[ -n "$pid_a" ] && [ -d "/proc/$pid_a" ] || fail "A's controller does not run after its start"
rm -f "$a/run/samba.pid"

# 2. B's start.
"$script" start "$b"
pid_b=$(pid_in "$b")
[ -n "$pid_b" ] && [ -d "/proc/$pid_b" ] || fail "B's controller does not run after its start"
[ -d "/proc/$pid_a" ] && fail "A's controller ($pid_a) still runs beside B's"
left=$(using "$a")
[ -z "$left" ] || fail "processes of A are left: $left"
for pid in $(ip netns pids "$NS"); do
  [ -d "/proc/$pid" ] || continue
  descends_from "$pid" "$pid_b" || fail "process $pid in $NS is not B's: $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
done
for port in 636 445; do
  pid=$(listener "$port")
  [ -n "$pid" ] && descends_from "$pid" "$pid_b" || fail "port $port of $DC_IP is answered by ${pid:-nobody}, not B's controller"
done

# 3. RPC helpers, then B's stop.
ip netns exec "$CLIENT_NS" smbclient -A "$b/admin.auth" -L "//$DC_IP" -g >/dev/null 2>&1 ||
  fail "no log-on to B's controller"
helpers=$(ip netns pids "$NS" | while read -r pid; do
  case "$(readlink "/proc/$pid/exe")" in *samba-dcerpcd | *rpcd_*) echo "$pid" ;; esac
done)
[ -n "$helpers" ] || fail "the log-on started no RPC helper (samba-dcerpcd, rpcd_*), so stop is not put to the test"
"$script" stop "$b" || fail "stop of B failed"
for ns in "$NS" "$CLIENT_NS"; do
  [ -e "/run/netns/$ns" ] && fail "$ns is still there after the stop: $(ip netns pids "$ns" | tr '\n' ' ')"
done
for pid in $pid_b $helpers; do
  [ -d "/proc/$pid" ] && fail "process $pid of the namespace survives B's stop: $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")"
done
left=$(using "$b")
[ -z "$left" ] || fail "processes of B survive its stop: $left"

trap - EXIT
cleanup
[ "$failures" -eq 0 ] || exit 1
echo "passed: B stopped A and took its place; B's stop left nothing"
