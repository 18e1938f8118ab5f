#!/usr/bin/env bash
# Installs what the sanitizer, fuzz and coverage builds need (clang++ with
# libFuzzer, llvm-cov and llvm-profdata), when any of it is missing.
set -eu
packages=()
command -v clang++ >/dev/null 2>&1 || packages+=(clang)
command -v llvm-cov >/dev/null 2>&1 || packages+=(llvm)
command -v llvm-profdata >/dev/null 2>&1 || packages+=(llvm)
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  > "$probe/probe.cpp"
if ! command -v clang++ >/dev/null 2>&1 ||
   ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
  packages+=(libclang-rt-dev)
fi
if [ ${#packages[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq "${packages[@]}" >/dev/null
fi
