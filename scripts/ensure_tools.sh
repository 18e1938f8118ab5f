#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Usage: ensure_tools.sh [--tests]
set -eu
packages=()
command -v cmake >/dev/null 2>&1 || packages+=(cmake)
command -v g++ >/dev/null 2>&1 || packages+=(g++)
command -v make >/dev/null 2>&1 || packages+=(make)
if [ "${1:-}" = "--tests" ] && [ ! -f /usr/include/gtest/gtest.h ]; then
  packages+=(libgtest-dev)
fi
if [ ${#packages[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${packages[@]}" >/dev/null
fi
