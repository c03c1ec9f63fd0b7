# Put on PYTHONPATH (with Debian's dist-packages) while meson configures a build
# for Python 3.12 or newer: meson 1.0 asks the interpreter for distutils, which
# these interpreters no longer have; setuptools' copy stands in for it.
import _distutils_hack

_distutils_hack.add_shim()
