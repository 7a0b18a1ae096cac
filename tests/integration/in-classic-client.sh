#!/bin/sh
# Runs a test binary inside the client namespace of the classic controller
# (scripts/fixtures/classic-dc.sh). Listing the cases needs no controller and runs here.
# Exit status 77 (skipped) when this machine can't run a controller.
case " $* " in
  *" --gtest_list_tests "*) exec "$@" ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the classic controller tests need root (they run in network namespaces)"
  exit 77
fi
if ! command -v smbd >/dev/null 2>&1 || ! command -v nmbd >/dev/null 2>&1; then
  echo "SKIPPED: samba is not installed (scripts/setup installs it)"
  exit 77
fi
export TZ=UTC LC_ALL=C.UTF-8
exec ip netns exec vx-cl-client "$@"
