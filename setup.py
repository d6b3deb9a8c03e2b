"""Builds the extension module zamcore._zamcore with the project's CMake build.

pyproject.toml holds the package's metadata; this file only adds the step
that configures and builds the CMake target _zamcore and copies it, with the
engine library it loads from beside it, into the package. Extra CMake
arguments may be given in the environment variable ZAMCORE_CMAKE_ARGS.
"""

import hashlib
import os
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class BuildWithCMake(build_ext):
    def build_extension(self, ext):
        extra = shlex.split(os.environ.get("ZAMCORE_CMAKE_ARGS", ""))
        # A build directory per set of extra arguments: a CMake cache keeps
        # options given once, so a sanitizer build must not share one with
        # the plain build.
        key = hashlib.sha1(" ".join(extra).encode()).hexdigest()[:8]
        build_dir = Path(self.build_temp).resolve() / f"cmake-{key}"
        arguments = [
            "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DZAMCORE_BUILD_PYTHON=ON",
            "-DZAMCORE_BUILD_TESTS=OFF",
            "-DZAMCORE_BUILD_EXAMPLES=OFF",
            "-DZAMCORE_BUILD_TOOLS=OFF",
            f"-DPython_EXECUTABLE={sys.executable}",
        ]
        if shutil.which("ninja"):
            arguments += ["-G", "Ninja"]
        if shutil.which("ccache"):
            arguments.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        arguments += extra
        subprocess.run(["cmake", *arguments], check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build_dir), "--target", "_zamcore", "-j", jobs],
                       check=True)

        built = build_dir / "python" / "zamcore"
        target = Path(self.get_ext_fullpath(ext.name)).resolve()
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(built / target.name, target)
        for library in built.glob("libzamcore*.so*"):
            shutil.copy2(library, target.parent / library.name)


setup(ext_modules=[CMakeExtension("zamcore._zamcore")], cmdclass={"build_ext": BuildWithCMake})
