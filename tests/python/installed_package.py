"""Installs the Python package as a user does, with pip into a new virtual environment and
offline (the build tools of the system), then uses the installed module alone: from a
folder of its own, without PYTHONPATH or ORVALIS_HOME, it creates a declaration file,
enters a declaration and reads a field of its apuração.

    python3 installed_package.py SOURCE_DIR CMAKE_BUILD_DIR

pip builds from a copy of the packaging files (so nothing is written into the source
tree), in the given CMake build tree (ORVALIS_CMAKE_BUILD_DIR) rather than a second one.
"""

import os
import shutil
import subprocess
import sys
import tempfile

PACKAGING_FILES = ("setup.py", "pyproject.toml", "README.md", "CMakeLists.txt")

# Run by the environment's Python; prints the installed module's file and field 051.
PROGRAM = r'''
import datetime, decimal, os, shutil, sys
from importlib import metadata
import orvalis

installed = [str(f) for f in metadata.distribution("orvalis").files]
assert all(f.startswith(("orvalis/", "orvalis-")) for f in installed), installed

folder = sys.argv[1]
m = orvalis.CreateObject("Orvalis.MantemDB")
m.NovoArquivo()
path = os.path.join(folder, "declaracao.mdb")
shutil.copyfile(os.path.join(os.path.dirname(orvalis.__file__), "BDTemp.mdb"), path)
assert m.Db_Open(path) == 1

def bound(name):
    obj = orvalis.CreateObject(name)
    obj.DBIndex(path)
    return obj

taxpayer = bound("Orvalis.Contribuinte")
taxpayer.IE, taxpayer.RS, taxpayer.UF = "110042490114", "Comércio de Exemplo Ltda.", "SP"
taxpayer.Create()
header = bound("Orvalis.Referencia")
header.IE, header.Ref1 = "110042490114", datetime.datetime(2026, 11, 1)
header.Create()
cfop = bound("Orvalis.CFOP")
cfop.NroVEK, cfop.CFOP, cfop.Imposto = header.NroVEK, "5102", decimal.Decimal("14400.00")
cfop.Create()

os.makedirs(os.path.join(folder, "config", "Brisquel"))
with open(os.path.join(folder, "config", "Brisquel", "settings.ini"), "w") as ini:
    ini.write(f"[DB]\nDbAtual={path}\n[pRef]\nRefAtual=11/2026\n[Data]\nDataLimite=11/2026\n")
icms = orvalis.CreateObject("Orvalis.ICMS")
icms.NroVEK = header.NroVEK
print(orvalis.__file__)
print("051", icms.Campo051ICMS())
m.Db_close(path)
'''


def run(command, **options):
    print("+", " ".join("<program>" if "\n" in c else c for c in command), flush=True)
    return subprocess.run(command, check=True, **options)


def main(source, cmake_build):
    with tempfile.TemporaryDirectory(prefix="orvalis-install-") as work:
        project = os.path.join(work, "project")
        os.makedirs(project)
        for name in PACKAGING_FILES:
            shutil.copy(os.path.join(source, name), project)
        venv = os.path.join(work, "venv")
        # The system's setuptools and wheel build the package: no index is reached.
        run([sys.executable, "-m", "venv", "--system-site-packages", venv])
        python = os.path.join(venv, "bin", "python")
        env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "ORVALIS_HOME")}
        run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index", "--no-deps",
             "--disable-pip-version-check", "--quiet", project],
            env=dict(env, ORVALIS_CMAKE_BUILD_DIR=cmake_build), cwd=work)

        user = os.path.join(work, "user")
        os.makedirs(user)
        env["XDG_CONFIG_HOME"] = os.path.join(user, "config")
        result = run([python, "-c", PROGRAM, user], env=env, cwd=user,
                     capture_output=True, text=True)
        print(result.stdout, result.stderr, sep="")
        module_file, field = result.stdout.splitlines()[-2:]
        package = os.path.dirname(module_file)
        if not module_file.startswith(os.path.join(venv, "lib")):
            sys.exit(f"the module was not imported from the environment: {module_file}")
        missing = [n for n in ("__init__.pyi", "py.typed", "tblFixas.fix")
                   if not os.path.isfile(os.path.join(package, n))]
        if missing:
            sys.exit(f"not installed with the module: {missing}")
        if field != "051 14.400,00":
            sys.exit(f"unexpected apuração field: {field!r}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
