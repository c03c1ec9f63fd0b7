#!/usr/bin/env bash
# Builds and tests korvel with the newest toolchain Debian has, CPython 3.14 and
# g++ 16, in a chroot of Debian unstable (sid).
#
# The chroot is made once with debootstrap from the machine's own Debian mirror
# and kept in build/sid-chroot; later runs reuse it. The checkout is mounted
# read-only at /src inside it, and everything is built there, in
# build/sid-chroot/build: the engine, its tests and benchmarks and the module,
# with warnings as errors; then the engine and binding tests run, the binding's
# pytest suite under 3.14, and the type stubs are checked against the 3.14
# module (with sid's newer mypy).
#
# Needs root for debootstrap, chroot and mount (it asks sudo otherwise).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

CHROOT="$BUILD/sid-chroot"
# What the chroot needs. A package added here is installed into an existing chroot.
SID_PACKAGES=(python3.14 python3.14-dev g++ meson ninja-build pkg-config libgtest-dev
  libbenchmark-dev python3-pytest python3-hypothesis python3-mypy)
# The Release file of unstable on a mirror can be past its validity date.
# No pseudo-terminal for dpkg: the chroot has no /dev/pts.
SID_APT=(apt-get -q -o Acquire::Check-Valid-Until=false -o Dpkg::Use-Pty=0)

fail() {
  echo "tools/test_sid.sh: $*" >&2
  exit 1
}

if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || fail "needs root for debootstrap, chroot and mount"
  exec sudo bash "$0" "$@"
fi

# The first Debian mirror in the machine's apt sources (deb822 or one-line
# format), its security mirror excepted.
debian_mirror() {
  local mirror
  mirror=$(cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | awk '
    /^URIs:/ { for (i = 2; i <= NF; i++) if ($i !~ /security/) { print $i; exit } }
    /^deb[ \t]/ { for (i = 2; i <= NF; i++) if ($i ~ "://") { if ($i !~ /security/) { print $i; exit } break } }
  ')
  [[ -n $mirror ]] ||
    fail "found no Debian mirror in /etc/apt/sources.list.d/*.sources or /etc/apt/sources.list"
  echo "$mirror"
}

# Runs a command in a session of its own and waits for it: a signal to this
# script then stops the whole command at once (see the traps below), where a
# command in the foreground would first run to its end.
child=
interruptible() {
  local status=0
  setsid "$@" <&0 &
  child=$!
  wait "$child" || status=$?
  child=
  return "$status"
}

# Unmounts everything mounted at DIR or below it, deepest first.
unmount_below() {
  local dir=$1 target
  findmnt -rn -o TARGET | awk -v dir="$dir" '$0 == dir || index($0, dir "/") == 1' | sort -r |
    while read -r target; do
      umount "$target" 2>/dev/null || umount -l "$target"
    done
}

create_chroot() {
  local mirror partial="$CHROOT.partial" log="$BUILD/sid-debootstrap.log" start=$SECONDS
  mirror=$(debian_mirror)
  need_packages debootstrap
  echo "creating the chroot $CHROOT from $mirror (a few minutes, about 800 MB)"
  unmount_below "$partial"
  rm -rf --one-file-system "$partial"
  if ! interruptible debootstrap --variant=minbase --include=python3.14,python3.14-dev,g++,meson,ninja-build \
    sid "$partial" "$mirror" >"$log" 2>&1; then
    unmount_below "$partial"
    tail -n 20 "$log" >&2
    fail "debootstrap failed; its log is $log"
  fi
  unmount_below "$partial"
  mv "$partial" "$CHROOT"
  echo "chroot created in $((SECONDS - start)) s"
}

# Installs the packages of SID_PACKAGES that the chroot lacks.
complete_chroot() {
  local missing=() package
  for package in "${SID_PACKAGES[@]}"; do
    chroot "$CHROOT" dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
      grep -q "install ok installed" || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "installing into the chroot: ${missing[*]}"
  interruptible chroot "$CHROOT" "${SID_APT[@]}" update >/dev/null ||
    fail "apt-get update in the chroot failed"
  interruptible chroot "$CHROOT" env DEBIAN_FRONTEND=noninteractive "${SID_APT[@]}" install -y \
    --no-install-recommends "${missing[@]}" >/dev/null ||
    fail "apt-get install ${missing[*]} in the chroot failed"
}

mkdir -p "$BUILD"
# The chroot and its mounts belong to one run at a time.
exec 9>"$BUILD/sid-chroot.lock"
flock -n 9 || fail "tools/test_sid.sh runs already in this checkout"

trap 'unmount_below "$CHROOT"' EXIT
trap '[[ -z $child ]] || kill -TERM -- "-$child" 2>/dev/null; wait; exit 130' INT TERM HUP
unmount_below "$CHROOT" # left behind by a run that was killed
[[ -x "$CHROOT/usr/bin/python3.14" ]] || create_chroot
complete_chroot

mkdir -p "$CHROOT/src" "$CHROOT/proc"
mount --bind "$ROOT" "$CHROOT/src"
mount -o remount,bind,ro "$CHROOT/src"
mount -t proc proc "$CHROOT/proc"

interruptible chroot "$CHROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 \
  bash -euo pipefail -s <<'EOF'
echo "== in the chroot: $(g++ --version | head -n 1), $(python3.14 --version)"
start=$SECONDS
build=/build
options=(-Dwerror=true -Dbenchmarks=true -Dpython=enabled -Dpython_interpreter=python3.14)
if [[ -f $build/build.ninja ]]; then
  meson setup --reconfigure "$build" /src "${options[@]}" >/dev/null
else
  meson setup "$build" /src "${options[@]}" >/dev/null
fi
meson compile -C "$build" -j 4
echo "built in $((SECONDS - start)) s"
# The host runs the tools suite, which checks generated files.
meson test -C "$build" --print-errorlogs --no-suite tools
echo "== binding tests under $(python3.14 --version)"
cd "$build"
PYTHONPATH="$build/korvel-py" python3.14 -m pytest -q -p no:cacheprovider /src/korvel-py/tests
echo "== type stubs against the 3.14 module, mypy over the example"
PYTHONPATH="$build/korvel-py" MYPYPATH=/src/korvel-py python3.14 -m mypy.stubtest korvel
MYPYPATH=/src/korvel-py python3.14 -m mypy --strict /src/examples/example.py
EOF
