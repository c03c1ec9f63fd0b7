#!/usr/bin/env bash
# Builds korvel and runs every test: the engine and binding tests in a normal
# build, both again under AddressSanitizer and UndefinedBehaviorSanitizer, the
# fuzz targets briefly, the binding under pyenv's 3.12 and 3.13 where they
# exist, a packaging smoke test, the type stubs, and everything again with
# CPython 3.14 and g++ 16 (tools/test_sid.sh).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

need_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
need_npm

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0

echo "== formatting (clang-format)"
check_format

# Every build of the test run treats warnings as errors.
WERROR=-Dwerror=true

echo "== build and test"
# Benchmarks are built (not run) so that they keep compiling.
setup_build "$BUILD/main" "$WERROR" -Dbenchmarks=true -Dpython=enabled
meson compile -C "$BUILD/main"
meson test -C "$BUILD/main" --print-errorlogs
run_binding_tests "$PYTHON" "$BUILD/main"

echo "== engine tests under AddressSanitizer and UndefinedBehaviorSanitizer"
setup_build "$BUILD/sanitize" "$WERROR" -Db_sanitize=address,undefined -Db_lundef=false \
  -Dcpp_args=-fno-sanitize-recover=all -Dpython=disabled
meson compile -C "$BUILD/sanitize"
meson test -C "$BUILD/sanitize" --print-errorlogs --suite engine

echo "== fuzz targets: built with clang 14, each run briefly from its seeds"
# Any finding fails the run; tools/fuzz.sh prints where it was saved.
bash "$ROOT/tools/fuzz.sh" -j 4 10

echo "== binding tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The interpreter is not instrumented: the runtimes are preloaded, and leak
# checking is off, since the interpreter does not free everything at exit.
setup_build "$BUILD/sanitize-py" "$WERROR" -Db_sanitize=address,undefined -Db_lundef=false \
  -Dcpp_args=-fno-sanitize-recover=all -Dtests=false -Dpython=enabled
meson compile -C "$BUILD/sanitize-py"
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libubsan.so)" \
  ASAN_OPTIONS=detect_leaks=0 run_binding_tests "$PYTHON" "$BUILD/sanitize-py"

# Other interpreters, where pyenv has them: the module alone, built for each.
# 3.14 runs in the chroot below.
pyenv_root=${PYENV_ROOT:-$HOME/.pyenv}
for minor in 3.12 3.13; do
  interpreter=
  for candidate in "$pyenv_root"/versions/"$minor".*/bin/python"$minor"; do
    if [[ -x $candidate ]]; then interpreter=$candidate; fi
  done
  [[ -n $interpreter ]] || continue
  echo "== binding tests under $("$interpreter" --version)"
  (
    # meson 1.0 introspects an interpreter through distutils, which 3.12 dropped.
    if ! "$interpreter" -c "import distutils" 2>/dev/null; then
      export SETUPTOOLS_USE_DISTUTILS=local
      export PYTHONPATH="$ROOT/tools/lib/distutils_shim:/usr/lib/python3/dist-packages"
    fi
    setup_build "$BUILD/py$minor" "$WERROR" -Dtests=false -Dpython=enabled \
      -Dpython_interpreter="$interpreter"
  )
  meson compile -C "$BUILD/py$minor"
  # Debian's pytest predates these interpreters and warns about their ast.
  run_binding_tests "$interpreter" "$BUILD/py$minor" -W ignore::DeprecationWarning
done

echo "== packaging: pip install into a venv, then the example"
install_in_venv "$BUILD/venv"
(cd "$BUILD" && "$BUILD/venv/bin/python" "$ROOT/examples/example.py" >/dev/null)

echo "== type stubs: stubtest against the installed module, mypy over the example"
# Debian's mypy, through the venv's system site-packages; it finds the stubs
# where pip installed them.
(cd "$BUILD" && "$BUILD/venv/bin/python" -m mypy.stubtest korvel &&
  "$BUILD/venv/bin/python" -m mypy --strict "$ROOT/examples/example.py")

echo "== CPython 3.14 and g++ 16 in a Debian unstable chroot"
bash "$ROOT/tools/test_sid.sh"

echo "== all tests passed"
