# Shared by the set-up scripts: package installation and build locations.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="$ROOT/build"
# Debian's interpreter, whatever else is first on PATH.
PYTHON=/usr/bin/python3

# Installs the Debian packages that are missing, running apt-get update once.
need_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  echo "installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

BUILD_PACKAGES=(g++ meson ninja-build pkg-config python3 python3-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev unicode-data python3-pytest python3-hypothesis
  python3-setuptools)
# Building and installing the Python package with pip (meson-python backend).
PACKAGE_PACKAGES=(python3-venv python3-pip python3-mesonpy)

# meson setup DIR [options...], or reconfigure when DIR exists already.
setup_build() {
  local dir=$1
  shift
  if [[ -f "$dir/build.ninja" ]]; then
    meson setup --reconfigure "$dir" "$ROOT" "$@" >/dev/null
  else
    meson setup "$dir" "$ROOT" "$@" >/dev/null
  fi
}

# pytest over the binding's tests, with the module built in DIR, under PYTHON.
run_binding_tests() {
  local python=$1 dir=$2
  shift 2
  PYTHONPATH="$dir/korvel-py:/usr/lib/python3/dist-packages" "$python" -m pytest -q \
    -p no:cacheprovider "$@" "$ROOT/korvel-py/tests"
}

# Installs the package from the source tree, with pip, into the venv VENV.
install_in_venv() {
  local venv=$1
  [[ -x "$venv/bin/python" ]] || "$PYTHON" -m venv --system-site-packages "$venv"
  "$venv/bin/python" -m pip install -q --no-build-isolation --no-deps "$ROOT"
}
