#!/usr/bin/python3
"""Reads the running program through AT-SPI, as a screen reader does, on the sample domain.

    a11y_test.py VELLOX            the checks; exit status 1 when one fails, 77 when the
                                   machine can't run the desktop
    a11y_test.py VELLOX --dump     prints the main window's tree after a USERS browse
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y_env  # noqa: E402

SKIP = 77


def main():
    program = sys.argv[1]
    dump = "--dump" in sys.argv[2:]
    try:
        desktop = a11y_env.Desktop()
    except a11y_env.Unavailable as e:
        print(f"SKIP: {e}")
        return SKIP
    with desktop:
        # libatspi reads where the buses are when it is loaded.
        os.environ.update(desktop.env)
        import a11y_checks
        # Qt 6.4 misses the bus it is handed in AT_SPI_BUS_ADDRESS; it finds it on the session bus.
        app_env = {k: v for k, v in desktop.env.items() if k != "AT_SPI_BUS_ADDRESS"}
        app_env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        desktop.start([program, "--demo"], env=app_env)
        try:
            status = a11y_checks.run(os.path.basename(program), desktop.env, dump)
        except Exception as e:
            print(f"FAIL {type(e).__name__}: {e}")
            status = 1
        if status != 0:
            print("--- the program's standard error ---\n" + desktop.log(program)[-4000:])
        return status


if __name__ == "__main__":
    sys.exit(main())
