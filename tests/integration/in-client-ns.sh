#!/bin/sh
# Runs an integration test binary inside the client namespace of the local domain
# controller (scripts/local-dc). Listing the cases needs no controller and runs here.
# Exit status 77 (skipped) when this machine can't run a controller.
case " $* " in
  *" --gtest_list_tests "*) exec "$@" ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the integration tests need root (they run in network namespaces)"
  exit 77
fi
if ! command -v samba >/dev/null 2>&1 || ! command -v samba-tool >/dev/null 2>&1; then
  echo "SKIPPED: samba is not installed (scripts/setup installs it)"
  exit 77
fi
if [ -n "${VELLOX_LOCAL_DC_DIR:-}" ]; then
  export KRB5_CONFIG="$VELLOX_LOCAL_DC_DIR/krb5.conf" TZ=UTC LC_ALL=C.UTF-8
  # The client namespace's D-Bus, where its avahi-daemon browses DNS-SD.
  bus="$VELLOX_LOCAL_DC_DIR/peers/dbus/system_bus_socket"
  if [ -S "$bus" ]; then export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$bus"; fi
fi
exec ip netns exec vx-client "$@"
