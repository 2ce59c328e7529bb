"""Builds the Python package `orvalis` with CMake (pip runs it; see pyproject.toml).

The package is a folder holding the extension module itself as orvalis/__init__.<suffix>
(the component's folder is the folder of that file), its type stubs (__init__.pyi and
py.typed) and the fixed reference tables (tblFixas.fix), all made by the CMake target
orvalis_python_package. CMake configures a build of its own under setuptools' build
folder (build-python/); ORVALIS_CMAKE_BUILD_DIR names an existing, configured build tree
to use instead.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent
CMAKE_TARGET = "orvalis_python_package"
# Beside the extension module in the package folder, as the CMake target leaves them.
PACKAGE_FILES = ("__init__.pyi", "py.typed", "tblFixas.fix")


def project_version():
    """The version of the CMake project, the one place it is written."""
    text = (SOURCE / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(orvalis\s+VERSION\s+([0-9.]+)", text)
    if not match:
        sys.exit("setup.py: no project version in CMakeLists.txt")
    return match.group(1)


class CMakeBuild(build_ext):
    """Builds the package with CMake and copies it into setuptools' build folder."""

    def build_extension(self, ext):
        tree = self.cmake_tree()
        subprocess.run(["cmake", "--build", str(tree), "--target", CMAKE_TARGET], check=True)
        built = tree / "python" / "orvalis"
        module = Path(self.get_ext_fullpath(ext.name))
        if not (built / module.name).is_file():
            sys.exit(f"setup.py: {built / module.name} was not built: is the build tree "
                     f"configured for this Python ({sys.executable})?")
        module.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built / module.name, module)
        for name in PACKAGE_FILES:
            shutil.copyfile(built / name, module.parent / name)

    def cmake_tree(self):
        given = os.environ.get("ORVALIS_CMAKE_BUILD_DIR")
        if given:
            return Path(given).resolve()
        tree = Path(self.build_temp).resolve() / "cmake"
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(tree), *generator,
                        "-DCMAKE_BUILD_TYPE=Release", "-DORVALIS_BUILD_TESTS=OFF",
                        "-DORVALIS_BUILD_BENCHMARKS=OFF", "-DORVALIS_BUILD_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        return tree


setup(
    version=project_version(),
    # No Python packages of its own: the package folder is the extension's (without
    # this, setuptools would take src/ for a folder of Python packages).
    packages=[],
    py_modules=[],
    ext_modules=[Extension("orvalis.__init__", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Beside, not inside, a CMake build tree named build/.
    options={"build": {"build_base": "build-python"}},
    zip_safe=False,
)
