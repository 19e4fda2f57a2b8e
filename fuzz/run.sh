#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan, straight from the sources they
# exercise, no CMake) and runs each briefly over its seed corpus: the values-and-text code,
# DOM sessions, the host's request reader, the connection-string reader, the T-SQL dialect
# rewrite, the literal marking of the query helpers and the persisted row reader.
#
#   fuzz/run.sh [seconds-per-target] [target ...]
#
# Defaults: 20 seconds, every target. The build goes to $VELMORA_FUZZ_OUT (default
# build-fuzz/ in the repository); inputs found during a run are kept in its corpus/ folder,
# the checked-in seeds in fuzz/corpus/<target>/ are only read. A crash, hang, sanitizer
# report or oracle mismatch fails the script; the input is left in build-fuzz/artifacts/.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
OUT=${VELMORA_FUZZ_OUT:-$ROOT/build-fuzz}
SECONDS_PER_TARGET=${1:-20}
shift || true
ALL_TARGETS=(format_pattern str_add little_to_big decimal_parse date_test dom_session
  host_request connection_string dialect_rewrite unicode_sql persisted_rows)
TARGETS=("${@:-${ALL_TARGETS[@]}}")
JOBS=${VELMORA_FUZZ_JOBS:-2}

CXX=${VELMORA_FUZZ_CXX:-clang++}
command -v "$CXX" >/dev/null || { echo "fuzz: $CXX not found (install clang)" >&2; exit 2; }
LAUNCHER=""
command -v ccache >/dev/null && LAUNCHER=ccache

# No vptr check: the library's classes keep their type information with members (the query
# helpers, for one) whose files the targets do not link.
SANITIZE=(-fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
CXXFLAGS=(-std=c++20 -g -O1 -Wall -Wextra "${SANITIZE[@]}"
  -I"$ROOT/src/velmora" -I"$ROOT/src/platform" -I"$ROOT/src/host" -I"$HERE"
  $(pkg-config --cflags icu-uc icu-i18n libxml-2.0))
LDLIBS=($(pkg-config --libs icu-uc icu-i18n libxml-2.0) -ldl -lpthread)

log() { printf '== fuzz: %s\n' "$*" >&2; }

mkdir -p "$OUT/obj" "$OUT/corpus" "$OUT/artifacts"
# Objects made with other flags are made again.
if [ "$(cat "$OUT/obj/flags" 2>/dev/null)" != "${CXXFLAGS[*]}" ]; then
  rm -f "$OUT"/obj/*.o "$OUT"/obj/*.d
  printf '%s' "${CXXFLAGS[*]}" >"$OUT/obj/flags"
fi

# The code under test: the runtime, the DOM, and the library's values-and-text sources. The
# message text service is replaced by a fixed zh-CN table (text_service_stub.cpp).
LIBRARY_SOURCES=(
  "$ROOT"/src/platform/runtime/*.cpp
  "$ROOT"/src/platform/dom/*.cpp
  "$ROOT"/src/velmora/frame/binding.cpp
  "$ROOT"/src/velmora/text/strings.cpp
  "$ROOT"/src/velmora/text/money.cpp
  "$ROOT"/src/velmora/text/words.cpp
  "$ROOT"/src/velmora/data/literals.cpp
  "$HERE"/text_service_stub.cpp
)

# Sources a target needs beyond those.
extra_sources() {
  local da=$ROOT/src/platform/dataaccess
  case $1 in
    host_request) echo "$ROOT/src/host/request_reader.cpp $ROOT/src/host/values.cpp" ;;
    connection_string) echo "$da/connstring.cpp $da/odbc/connect_string.cpp" ;;
    dialect_rewrite) echo "$da/dialect.cpp" ;;
    unicode_sql) echo "$ROOT/src/velmora/data/unicode_sql.cpp" ;;
    persisted_rows) echo "$da/persist.cpp $da/rowset.cpp $da/rowstore.cpp $da/values.cpp" ;;
  esac
}
# The longest input a target is given: documents and requests need room.
max_len_of() {
  case $1 in
    dom_session | persisted_rows) echo 4096 ;;  # a document (and the session that works on it)
    host_request) echo 1024 ;;
    *) echo 512 ;;
  esac
}

# Objects carry coverage instrumentation without libFuzzer's main; -MMD keeps them current
# when a header changes.
object_of() { local rel=${1#"$ROOT"/}; echo "$OUT/obj/${rel//\//_}.o"; }
needs_build() {
  local src=$1 obj=$2 dep=${2%.o}.d
  [ -f "$obj" ] && [ -f "$dep" ] || return 0
  [ "$src" -nt "$obj" ] && return 0
  local d
  for d in $(sed -e 's/\\$//' -e 's/^[^:]*://' "$dep"); do
    [ "$d" -nt "$obj" ] && return 0
  done
  return 1
}
compile_one() {
  local src=$1 obj
  obj=$(object_of "$src")
  if needs_build "$src" "$obj"; then
    $LAUNCHER "$CXX" "${CXXFLAGS[@]}" -fsanitize=fuzzer-no-link -MMD -MF "${obj%.o}.d" -c "$src" -o "$obj"
  fi
}

log "compiling the code under test ($JOBS jobs)"
pids=()
EXTRA_SOURCES=()
for t in "${TARGETS[@]}"; do
  for src in $(extra_sources "$t"); do
    [[ " ${EXTRA_SOURCES[*]} " == *" $src "* ]] || EXTRA_SOURCES+=("$src")
  done
done
for src in "${LIBRARY_SOURCES[@]}" "${EXTRA_SOURCES[@]}" "${TARGETS[@]/#/$HERE/}"; do
  [[ $src == *.cpp ]] || src="$src.cpp"
  compile_one "$src" &
  pids+=($!)
  while (($(jobs -rp | wc -l) >= JOBS)); do wait -n; done
done
for p in "${pids[@]}"; do wait "$p"; done

objects=()
for src in "${LIBRARY_SOURCES[@]}"; do objects+=("$(object_of "$src")"); done

status=0
for t in "${TARGETS[@]}"; do
  log "linking $t"
  extra=()
  for src in $(extra_sources "$t"); do extra+=("$(object_of "$src")"); done
  "$CXX" "${SANITIZE[@]}" -fsanitize=fuzzer "$(object_of "$HERE/$t.cpp")" "${objects[@]}" "${extra[@]}" \
    "${LDLIBS[@]}" -o "$OUT/$t"
  mkdir -p "$OUT/corpus/$t"
  log "running $t for ${SECONDS_PER_TARGET}s"
  if ! "$OUT/$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len_of "$t")" \
      -print_final_stats=1 -artifact_prefix="$OUT/artifacts/$t-" "$OUT/corpus/$t" "$HERE/corpus/$t" \
      >"$OUT/$t.log" 2>&1; then
    log "$t FAILED (log: $OUT/$t.log)"
    tail -n 40 "$OUT/$t.log" >&2
    status=1
  else
    log "$t ok: $(grep -E '^stat::number_of_executed_units' "$OUT/$t.log" | awk '{print $2}') runs"
  fi
done
exit $status
