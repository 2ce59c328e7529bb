#!/bin/sh
# Installs the build tree into a temporary prefix, then builds and runs a small front-end
# against it through find_package and through pkg-config, and imports the Python package
# from the installed location: each makes a declaration file and prints field 051. No
# ORVALIS_HOME: the installed component finds its side file by itself.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR PYTHON
set -eu
build=$1 source=$2 python=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
unset ORVALIS_HOME
export XDG_DATA_HOME="$work/data"

cmake --install "$build" --prefix "$prefix" > "$work/install.log"
libdir=$(dirname "$(find "$prefix" -name 'liborvalis.so' | head -n 1)")
test -n "$libdir"
test -f "$prefix/share/orvalis/tblFixas.fix"
test -f "$prefix/include/orvalis/orvalis.h"
test -x "$prefix/bin/orvalis"
expected="051: 1.234,56"

cmake -S "$source/tests/install/consumer" -B "$work/cmake-build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" > "$work/configure.log"
cmake --build "$work/cmake-build" > "$work/build.log"
test "$("$work/cmake-build/consumer" "$work/a.mdb")" = "$expected"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
c++ "$source/tests/install/consumer.cpp" $(pkg-config --cflags --libs orvalis) -o "$work/pc-consumer"
test "$(LD_LIBRARY_PATH="$libdir" "$work/pc-consumer" "$work/b.mdb")" = "$expected"

site=$(find "$prefix" -type d -name dist-packages | head -n 1)
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Brisquel"
printf '[DB]\nDbAtual=%s\n' "$work/c.mdb" > "$XDG_CONFIG_HOME/Brisquel/settings.ini"
test "$(cd "$work" && PYTHONPATH="$site" PYTHONDONTWRITEBYTECODE=1 "$python" - "$work/c.mdb" <<'PY'
import os, shutil, sys
import orvalis
assert "dist-packages" in orvalis.__file__, orvalis.__file__
path = sys.argv[1]
files = orvalis.CreateObject("Orvalis.MantemDB")
files.NovoArquivo()
shutil.copy(os.path.join(os.environ["XDG_DATA_HOME"], "orvalis", "BDTemp.mdb"), path)
files.Db_Open(path)
taxpayer = orvalis.CreateObject("Orvalis.Contribuinte")
taxpayer.DBIndex(path)
taxpayer.IE = "110042490114"
taxpayer.Create()
header = orvalis.CreateObject("Orvalis.Referencia")
header.DBIndex(path)
header.IE = "110042490114"
header.Ref1 = "01/11/2026"
header.Create()
row = orvalis.CreateObject("Orvalis.CFOP")
row.DBIndex(path)
row.NroVEK = header.NroVEK
row.CFOP = "5102"
row.Imposto = "1.234,56"
row.Create()
icms = orvalis.CreateObject("Orvalis.ICMS")
icms.NroVEK = header.NroVEK
print("051:", icms.Campo051ICMS())
files.Db_close(path)
PY
)" = "$expected"
echo "installed library, command, CMake package, pkg-config file and Python package work"
