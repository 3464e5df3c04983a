#!/usr/bin/env bash
# The Python module's tests: scripts/python_tests.sh BUILD [PYTHON]. Runs pytest on python/tests
# with BUILD/python on the module path, for PYTHON (default: the python3 on the PATH). When that
# interpreter has no pytest of its own but is the same Python version as Debian's, the packages
# of Debian's python3-pytest and python3-pandas are taken from /usr/lib/python3/dist-packages.
set -euo pipefail
build=$(cd "$1" && pwd)
python=${2:-python3}
root=$(cd "$(dirname "$0")/.." && pwd)
path="$build/python"
if ! "$python" -c "import pytest" 2>/dev/null; then
  version='import sys; print(sys.version_info[:2])'
  if [ -x /usr/bin/python3 ] && [ "$("$python" -c "$version")" = "$(/usr/bin/python3 -c "$version")" ]; then
    path="$path:/usr/lib/python3/dist-packages"
  fi
fi
export PYTHONPATH="$path${PYTHONPATH:+:$PYTHONPATH}"
export CORVANE_BUILD="$build" PYTHONDONTWRITEBYTECODE=1
if ! "$python" -c "import pytest" 2>/dev/null; then
  echo "pytest is missing for $python: install Debian's python3-pytest (make deps)" >&2
  exit 1
fi
exec "$python" -m pytest -q -p no:cacheprovider "$root/python/tests"
