"""A private desktop for reading a program through AT-SPI: Xvfb on a free display, a
session D-Bus, the accessibility bus and its registry, all started here and all
stopped on exit. Every wait is bounded."""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


class Unavailable(Exception):
    """The machine lacks something the desktop needs."""


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise TimeoutError(f"gave up after {seconds} s waiting for {what}")


def read_line(fd, seconds, what):
    """One line written to `fd` by a child, within `seconds`."""
    data = b""
    deadline = time.monotonic() + seconds
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise TimeoutError(f"gave up waiting for {what}")
        chunk = os.read(fd, 256)
        if not chunk:
            raise RuntimeError(f"{what}: the program ended without an answer")
        data += chunk
    return data.decode().strip()


class Desktop:
    def __init__(self):
        for tool in ("Xvfb", "dbus-daemon", "dbus-send", "xdotool"):
            if not shutil.which(tool):
                raise Unavailable(f"{tool} is not installed")
        if not os.access(BUS_LAUNCHER, os.X_OK):
            raise Unavailable(f"{BUS_LAUNCHER} is not installed")
        self.home = tempfile.mkdtemp(prefix="vx-a11y-")
        self.children = []
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_RUNTIME_DIR": os.path.join(self.home, "run"),
            "LC_ALL": "C.UTF-8",
            "TZ": "UTC",
        }
        # A sanitizer build's options reach the program.
        self.env.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)

    def start(self, argv, pass_fds=(), env=None):
        # Each child leads a process group of its own, so what it starts goes with it.
        proc = subprocess.Popen(argv, env=env or self.env, pass_fds=pass_fds, start_new_session=True,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.home, os.path.basename(argv[0]) + ".log"), "ab"))
        self.children.append(proc)
        return proc

    def __enter__(self):
        try:
            self._start_x()
            self._start_session_bus()
            self._start_accessibility_bus()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start_x(self):
        r, w = os.pipe()
        try:
            self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                        "-noreset"], pass_fds=(w,))
            os.close(w)
            w = -1
            self.env["DISPLAY"] = ":" + read_line(r, 20, "Xvfb's display number")
        finally:
            os.close(r)
            if w >= 0:
                os.close(w)

    def _start_session_bus(self):
        r, w = os.pipe()
        try:
            self.start(["dbus-daemon", "--session", "--nofork", f"--print-address={w}"], pass_fds=(w,))
            os.close(w)
            w = -1
            self.env["DBUS_SESSION_BUS_ADDRESS"] = read_line(r, 20, "the session bus address")
        finally:
            os.close(r)
            if w >= 0:
                os.close(w)

    def _start_accessibility_bus(self):
        self.start([BUS_LAUNCHER, "--launch-immediately"])

        def ask(*call):
            out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--reply-timeout=2000", *call],
                                 env=self.env, capture_output=True, text=True, timeout=5)
            return out.stdout.strip() if out.returncode == 0 else ""

        # Asked before the launcher owns its name, the bus would start a second launcher.
        wait_for(lambda: ask("--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus").endswith("true"),
                 20, "the accessibility bus launcher")
        self.env["AT_SPI_BUS_ADDRESS"] = ask("--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress")

    def log(self, program):
        """What `program` wrote to its standard error."""
        try:
            with open(os.path.join(self.home, os.path.basename(program) + ".log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def close(self):
        for proc in reversed(self.children):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for proc in reversed(self.children):
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait(timeout=5)
            try:  # what the child started in its group (the registry, the a11y bus)
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.children = []
        shutil.rmtree(self.home, ignore_errors=True)
