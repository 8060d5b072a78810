#!/bin/sh
# Runs atspi_walk.py in a private session D-Bus (with its accessibility bus) on a private X
# server, as a desktop session would have them; the Debian python that has pyatspi.
#   atspi_walk.sh PROGRAM
set -eu
here=$(dirname "$0")
for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "atspi_walk: $tool missing (scripts/setup --tests)"; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' || { echo "atspi_walk: python3-pyatspi missing"; exit 1; }
exec xvfb-run -a -s "-screen 0 1366x768x24" dbus-run-session -- /usr/bin/python3 "$here/atspi_walk.py" "$1"
