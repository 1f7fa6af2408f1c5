#!/usr/bin/env bash
# Installs the Python package as the README says, into a fresh venv, and runs
# its tests against a Linux build's dibdraw tool:
#   scripts/python_tests.sh BUILD_DIR VENV JUNIT_REPORT
# Exits 2 when the package does not install; otherwise as pytest does.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:?build dir}" && pwd) || exit 2
venv=${2:?venv}
rm -rf "$venv"
/usr/bin/python3 -m venv --system-site-packages "$venv" &&
  "$venv/bin/pip" install --no-index --no-build-isolation ./python || exit 2
DIBDRAW_TOOL=$build/tools/dibdraw "$venv/bin/python" -m pytest -q -p no:cacheprovider --junitxml="${3:?report}" \
  python/tests
