#!/usr/bin/env bash
# Installs what the project needs (only what is missing), builds, and runs either the main
# job (a tour of the library through the scripting host) or every test suite.
#
#   ./run.sh demo   build (Release) and run examples/tour.jsonl through `velmora run`, then
#                   one call through the Python module
#   ./run.sh test   build Release and ASan+UBSan, run all tests (PostgreSQL started and stopped),
#                   then run the fuzz targets briefly
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  libxml2-dev libsqlite3-dev libicu-dev nlohmann-json3-dev
  unixodbc unixodbc-dev odbc-postgresql tdsodbc
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-dev pybind11-dev python3-pytest
  clang libclang-rt-14-dev
  postgresql
  python3 dpkg-dev
)

log() { printf '== %s\n' "$*" >&2; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  register_odbc_drivers
}

# The data-access layer finds ODBC drivers through the driver manager's configuration.
register_odbc_drivers() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! odbcinst -q -d -n "PostgreSQL Unicode" >/dev/null 2>&1 && [ -f /usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so ]; then
    printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=psqlodbcw.so\nSetup=libodbcpsqlS.so\n' \
      | $sudo odbcinst -i -d -r >/dev/null
  fi
  if ! odbcinst -q -d -n "FreeTDS" >/dev/null 2>&1 && [ -f /usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so ]; then
    printf '[FreeTDS]\nDescription=FreeTDS ODBC driver\nDriver=libtdsodbc.so\n' | $sudo odbcinst -i -d -r >/dev/null
  fi
}

# Every option is passed on each configure: a build folder keeps its cache, so an option
# left out would keep whatever the last command set (the demo turns the tests off).
build() {  # build <folder> <cmake args...>
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j"$(nproc)"
}

run_tests() {  # run_tests <build folder> <label>: every suite, against a private PostgreSQL
  log "tests: $2"
  # --no-tests=error: a folder configured without its tests fails instead of passing empty.
  tests/pg/with-server.sh bash -c "cd '$1' && ctest --no-tests=error --output-on-failure -j$(nproc) --timeout 600"
}

case "${1:-}" in
  demo)
    install_packages
    build build/release -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF -DVELMORA_PYTHON=ON
    log "the tour: examples/tour.jsonl, each request below its comments and above its answer"
    VELMORA_LANGUAGE=zh-CN VELMORA_REGISTRY="$ROOT/build/release/registry.json" \
      build/release/out/velmora run --echo examples/tour.jsonl
    log "the same library from Python, in-process (PYTHONPATH=build/release/out/python)"
    VELMORA_LANGUAGE=zh-CN PYTHONPATH="$ROOT/build/release/out/python" \
      python3 -c "import velmora; print(velmora.Dispatch('Velmora.CCommonFunction').LittleToBig(1234.56))"
    ;;
  test)
    install_packages
    build build/release -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF -DVELMORA_TESTS=ON -DVELMORA_BENCH=ON -DVELMORA_PYTHON=ON
    run_tests build/release "Release"
    build build/asan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_TESTS=ON -DVELMORA_BENCH=OFF -DVELMORA_PYTHON=OFF
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build/asan "ASan+UBSan"
    log "fuzzing the values and text code"
    VELMORA_FUZZ_OUT="$ROOT/build/fuzz" fuzz/run.sh 10
    ;;
  *)
    echo "usage: $0 demo | test" >&2
    exit 2
    ;;
esac
