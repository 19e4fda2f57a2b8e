#!/usr/bin/env bash
# The installed tree: `cmake --install` into a temporary prefix, the tree moved elsewhere
# (it must not depend on where it was installed), then checked as a client sees it:
#   - the layout, the plug-in's exports, the platform library's versioned name;
#   - nothing of the build or source folder inside the installed binaries (unsanitized builds);
#   - every public header compiles on its own;
#   - examples/cpp built with find_package(Velmora 1.0) and with pkg-config, and run:
#     early- and late-bound calls, an error, the pool and a message box answered in-process;
#   - find_package(Velmora 2.0) refused (the version file);
#   - the installed host finds its library, template and catalogs by itself.
#
#   install_test.sh BUILD_DIR SOURCE_DIR SANITIZE(ON|OFF)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
sanitize=${3:-OFF}
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

flags=(-std=c++20)
[ "$sanitize" = ON ] && flags+=(-fsanitize=address,undefined -fno-omit-frame-pointer)

step "cmake --install into a temporary prefix, then moved"
cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/tree"
tree=$work/tree

for f in bin/velmora lib/libvelmora_platform.so.1 lib/libvelmora_platform.so lib/velmora/libvelmora.so \
         lib/velmora/xml/fdtemplate.xml lib/velmora/catalogs/zh-CN.txt lib/velmora/catalogs/en-US.txt \
         include/velmora/client.h include/velmora/frame/interfaces.h include/velmora/dom/dom.h \
         include/velmora/dataaccess/ado.h include/velmora/services/message_service.h \
         lib/cmake/Velmora/VelmoraConfig.cmake lib/cmake/Velmora/VelmoraConfigVersion.cmake \
         lib/pkgconfig/velmora.pc share/man/man1/velmora.1; do
  [ -e "$tree/$f" ] || fail "the installed tree lacks $f"
done
[ ! -e "$tree/lib/velmora/libvelmora.so.1" ] || fail "the component server must stay unversioned"
ls "$tree/include/velmora" | grep -qv '^\(client.h\|frame\|runtime\|dom\|dataaccess\|services\)$' &&
  fail "unexpected public headers: $(ls "$tree/include/velmora")"

step "exports and names"
exports=$(nm -D --defined-only "$tree/lib/velmora/libvelmora.so" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$exports" = "DllCanUnloadNow DllGetClassObject DllGetTypeLibrary DllRegisterServer DllUnregisterServer " ] ||
  fail "libvelmora.so exports more than its entry points: $exports"
readelf -d "$tree/lib/libvelmora_platform.so.1" | grep -q 'SONAME.*\[libvelmora_platform\.so\.1\]' ||
  fail "the platform library's soname is not libvelmora_platform.so.1"
readelf -d "$tree/lib/velmora/libvelmora.so" | grep -q SONAME && fail "the plug-in has a soname"

# GCC's sanitizers record the absolute name of each instrumented file (a header in the build
# folder included) for their reports and ignore the prefix maps, so a sanitized build names
# both folders; the shipped (unsanitized) build must name neither.
if [ "$sanitize" = ON ]; then
  step "folder names not checked: the sanitizers record source file names for their reports"
else
  step "no build or source folder inside the binaries"
  for f in "$tree/bin/velmora" "$tree"/lib/libvelmora_platform.so.1.* "$tree/lib/velmora/libvelmora.so"; do
    ! grep -qaF "$build" "$f" || fail "$f names the build folder $build"
    ! grep -qaF "$src/" "$f" || fail "$f names the source folder $src"
  done
fi

export PKG_CONFIG_PATH=$tree/lib/pkgconfig
[ "$(pkg-config --modversion velmora)" = 1.0 ] || fail "pkg-config --modversion velmora"
case "$(pkg-config --variable=prefix velmora)" in
  "$tree"/lib/pkgconfig/../..*) ;;
  *) fail "the pkg-config prefix does not follow the file: $(pkg-config --variable=prefix velmora)" ;;
esac

step "every public header compiles on its own"
(cd "$tree/include" && find velmora -name '*.h' | sort) | while read -r h; do
  printf '#include <%s>\n' "$h" | g++ "${flags[@]}" -fsyntax-only -x c++ - $(pkg-config --cflags velmora) ||
    fail "$h does not compile on its own"
done

# Runs what a client runs: no variable pointing into the build folder, a registry of its own.
client() { env -u VELMORA_LIBRARY -u VELMORA_CATALOGS VELMORA_REGISTRY="$work/registry.json" "$@"; }

step "examples/cpp with find_package(Velmora 1.0)"
cmake -S "$src/examples/cpp" -B "$work/example-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$tree" -DCMAKE_CXX_FLAGS="${flags[*]:1}" >/dev/null
cmake --build "$work/example-cmake" >/dev/null
client "$work/example-cmake/velmora_example" >"$work/cmake.out" || fail "the example built with CMake failed"
diff -u "$here/example_cpp.expected" "$work/cmake.out" || fail "the example built with CMake printed otherwise"

step "examples/cpp with pkg-config"
g++ "${flags[@]}" "$src/examples/cpp/main.cpp" $(pkg-config --cflags --libs velmora) \
  -Wl,-rpath,"$tree/lib" -o "$work/example-pkgconfig"
client "$work/example-pkgconfig" >"$work/pkgconfig.out" || fail "the example built with pkg-config failed"
diff -u "$here/example_cpp.expected" "$work/pkgconfig.out" || fail "the example built with pkg-config printed otherwise"

step "find_package(Velmora 2.0) is refused"
mkdir -p "$work/too-new"
cat >"$work/too-new/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(too_new LANGUAGES CXX)
find_package(Velmora 2.0 REQUIRED)
CMAKE
if cmake -S "$work/too-new" -B "$work/too-new/build" -DCMAKE_PREFIX_PATH="$tree" >"$work/too-new.log" 2>&1; then
  fail "find_package(Velmora 2.0) accepted version 1.0"
fi
grep -q "1.0" "$work/too-new.log" || fail "the refusal does not name the version found"

step "the installed host finds its library, template and catalogs"
out=$(client VELMORA_LANGUAGE=zh-CN "$tree/bin/velmora" call LittleToBig 1234.56 | head -1)
[ "$out" = '{"type":"string","value":"壹仟贰佰叁拾肆元伍角陆分"}' ] || fail "LittleToBig from the installed tree: $out"
out=$(client "$tree/bin/velmora" call sCurrentPath | head -1)
[ "$out" = "{\"type\":\"string\",\"value\":\"$tree/lib/velmora/\"}" ] || fail "sCurrentPath: $out"
out=$(client "$tree/bin/velmora" --version)
[ "$out" = "velmora 1.0" ] || fail "--version: $out"
echo "PASS"
