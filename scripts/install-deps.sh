#!/bin/sh
# Installs the build and test dependencies that are missing (Debian, as root),
# and any further packages named as arguments.
set -e
missing=""
for pkg in g++ cmake make libgsl-dev libgtest-dev "$@"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing="$missing $pkg"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y $missing
fi
