#!/usr/bin/env bash
# Installs the Debian packages a build needs, when any is missing.
# Usage: ensure_tools.sh [--tests] [--fuzz] [--web] [--browser] [--m32] [--npm] [--graphviz]
#   --tests  GoogleTest, for the unit tests
#   --fuzz   clang++ with libFuzzer, llvm-cov and llvm-profdata, for the
#            sanitizer, fuzz and coverage builds
#   --web    emscripten and node, for the web page's engine
#   --browser  Chromium and npm, for the page's tests in a browser
#   --m32    g++-multilib, for the 32-bit build
#   --npm    npm, for the page's packages (web/package-lock.json)
#   --graphviz  Graphviz's dot, which reads what --graph writes
set -eu
packages=()
command -v cmake >/dev/null 2>&1 || packages+=(cmake)
command -v g++ >/dev/null 2>&1 || packages+=(g++)
command -v make >/dev/null 2>&1 || packages+=(make)
for option in "$@"; do
  case "$option" in
    --tests)
      [ -f /usr/include/gtest/gtest.h ] || packages+=(libgtest-dev)
      ;;
    --fuzz)
      command -v clang++ >/dev/null 2>&1 || packages+=(clang)
      command -v llvm-cov >/dev/null 2>&1 || packages+=(llvm)
      command -v llvm-profdata >/dev/null 2>&1 || packages+=(llvm)
      probe=$(mktemp -d)
      printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        > "$probe/probe.cpp"
      if ! command -v clang++ >/dev/null 2>&1 ||
         ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
        packages+=(libclang-rt-dev)
      fi
      rm -rf "$probe"
      ;;
    --web)
      command -v emcc >/dev/null 2>&1 || packages+=(emscripten)
      command -v node >/dev/null 2>&1 || packages+=(nodejs)
      ;;
    --browser)
      [ -x /usr/bin/chromium ] || packages+=(chromium)
      command -v npm >/dev/null 2>&1 || packages+=(npm)
      ;;
    --npm)
      command -v npm >/dev/null 2>&1 || packages+=(npm)
      ;;
    --graphviz)
      command -v dot >/dev/null 2>&1 || packages+=(graphviz)
      ;;
    --m32)
      printf 'int main() { return 0; }\n' | g++ -m32 -x c++ - -o /dev/null >/dev/null 2>&1 ||
        packages+=(g++-multilib)
      ;;
  esac
done
# Another install (apt, an unattended upgrade, a second build) may hold the
# package manager's locks: wait for them, up to APT_LOCK_SECONDS (default 900).
lock_seconds=${APT_LOCK_SECONDS:-900}

# apt-get update does not wait for the lock of the package lists: tries again
# while the only failure is that another holds it.
update_lists() {
  local waited=0 log
  log=$(mktemp)
  until $sudo apt-get -o DPkg::Lock::Timeout="$lock_seconds" update -qq 2>"$log"; do
    if ! grep -q 'Could not get lock' "$log" || [ "$waited" -ge "$lock_seconds" ]; then
      cat "$log" >&2
      rm -f "$log"
      return 1
    fi
    [ "$waited" -gt 0 ] || echo "ensure_tools.sh: waiting for the package lists' lock" >&2
    sleep 5
    waited=$((waited + 5))
  done
  rm -f "$log"
}

if [ ${#packages[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  update_lists
  $sudo apt-get -o DPkg::Lock::Timeout="$lock_seconds" install -y -qq "${packages[@]}" >/dev/null
fi
