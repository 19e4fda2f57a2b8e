#!/usr/bin/env bash
# The Debian packages: made by CPack from the build, checked, installed with dpkg into a
# scratch root (its own dpkg database; dependencies are not installed there, so they are
# checked in the control files and left to the machine's own libraries; the maintainer
# scripts run without chroot, with DPKG_ROOT set, and leave the machine alone), and used there:
# the installed host runs from the scratch root, and examples/cpp builds against the
# installed -dev package through pkg-config and runs.
#
#   deb_test.sh BUILD_DIR SOURCE_DIR SANITIZE(ON|OFF)
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
sanitize=${3:-OFF}
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

step "cpack -G DEB"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
runtime=$(ls "$work"/packages/velmora_*.deb)
dev=$(ls "$work"/packages/velmora-dev_*.deb)
# The Python module's package, made when the build has the module (not in sanitizer builds).
python_deb=$(ls "$work"/packages/python3-velmora_*.deb 2>/dev/null || true)

step "control fields"
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$runtime" Package)" = velmora ] || fail "runtime package name"
[ "$(field "$dev" Package)" = velmora-dev ] || fail "dev package name"
depends=$(field "$runtime" Depends)
for lib in libc6 libstdc++6 libxml2 libsqlite3 libodbc libicu; do
  [[ "$depends" == *"$lib"* ]] || fail "the runtime package's Depends lacks $lib: $depends"
done
[ "$(field "$runtime" Recommends)" = "odbc-postgresql, tdsodbc" ] || fail "Recommends: $(field "$runtime" Recommends)"
[[ "$(field "$dev" Depends)" == *"velmora (= 1.0.0)"* ]] || fail "the dev package's Depends: $(field "$dev" Depends)"
dpkg-deb -I "$runtime" shlibs | grep -q '^libvelmora_platform 1 velmora (>= 1.0.0)$' || fail "the shlibs file"
dpkg-deb -c "$runtime" >"$work/runtime.list"
dpkg-deb -c "$dev" >"$work/dev.list"
grep -q '\./usr/lib/velmora/libvelmora\.so$' "$work/runtime.list" || fail "runtime lacks the component server"
grep -q '\./usr/lib/velmora/catalogs/zh-CN\.txt$' "$work/runtime.list" || fail "runtime lacks the catalogs"
grep -q '\./usr/include' "$work/runtime.list" && fail "headers in the runtime package"
grep -q '\./usr/include/velmora/client\.h$' "$work/dev.list" || fail "dev lacks client.h"
grep -q 'libvelmora_platform\.so -> ' "$work/dev.list" || fail "dev lacks the link name libvelmora_platform.so"

if [ -n "$python_deb" ]; then
  [ "$(field "$python_deb" Package)" = python3-velmora ] || fail "python package name"
  [[ "$(field "$python_deb" Depends)" == *"velmora (= 1.0.0)"* ]] || fail "the python package's Depends: $(field "$python_deb" Depends)"
  [[ "$(field "$python_deb" Depends)" == *"python3 (>= 3."* ]] || fail "the python package's Depends: $(field "$python_deb" Depends)"
  dpkg-deb -c "$python_deb" | grep -q '\./usr/lib/python3/dist-packages/velmora\.cpython-.*\.so$' || fail "python package lacks the module"
fi

step "dpkg --root: install into a scratch root"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/tmp"
: >"$root/var/lib/dpkg/status"
: >"$root/var/lib/dpkg/available"
as_user=()
[ "$(id -u)" -eq 0 ] || as_user=(--force-not-root)
dpkg --root="$root" "${as_user[@]}" --force-depends --force-script-chrootless --log=/dev/null -i "$runtime" "$dev" $python_deb >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log"; fail "dpkg -i into the scratch root failed"; }
dpkg --root="$root" -s velmora | grep -q '^Status: install ok installed' || fail "velmora is not installed"
dpkg --root="$root" -s velmora-dev | grep -q '^Status: install ok installed' || fail "velmora-dev is not installed"
dpkg --root="$root" -L velmora | grep -q '^/usr/bin/velmora$' || fail "dpkg does not list /usr/bin/velmora"

step "the installed host, run from the scratch root"
client() { env -u VELMORA_LIBRARY -u VELMORA_CATALOGS VELMORA_REGISTRY="$work/registry.json" "$@"; }
out=$(client VELMORA_LANGUAGE=zh-CN "$root/usr/bin/velmora" call LittleToBig 1234.56 | head -1)
[ "$out" = '{"type":"string","value":"壹仟贰佰叁拾肆元伍角陆分"}' ] || fail "LittleToBig: $out"
out=$(client "$root/usr/bin/velmora" call sCurrentPath | head -1)
[ "$out" = "{\"type\":\"string\",\"value\":\"$root/usr/lib/velmora/\"}" ] || fail "sCurrentPath: $out"

if [ -n "$python_deb" ]; then
  step "the installed Python module, imported from the scratch root"
  # The interpreter the module was built for.
  python=$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
  out=$(client VELMORA_LANGUAGE=zh-CN PYTHONPATH="$root/usr/lib/python3/dist-packages" "${python:-python3}" -c \
    "import velmora; print(velmora.__file__); print(velmora.Dispatch('Velmora.CCommonFunction').LittleToBig(1234.56))")
  [ "$out" = "$root/usr/lib/python3/dist-packages/$(basename "$(dpkg-deb -c "$python_deb" | grep -o 'velmora\.cpython-.*\.so$')")
壹仟贰佰叁拾肆元伍角陆分" ] || fail "the installed module: $out"
fi

step "examples/cpp against the installed -dev package (pkg-config)"
flags=(-std=c++20)
[ "$sanitize" = ON ] && flags+=(-fsanitize=address,undefined -fno-omit-frame-pointer)
g++ "${flags[@]}" "$src/examples/cpp/main.cpp" \
  $(PKG_CONFIG_PATH="$root/usr/lib/pkgconfig" pkg-config --cflags --libs velmora) \
  -Wl,-rpath,"$root/usr/lib" -o "$work/example"
client "$work/example" >"$work/example.out" || fail "the example failed"
diff -u "$here/example_cpp.expected" "$work/example.out" || fail "the example printed otherwise"
echo "PASS"
