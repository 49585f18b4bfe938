#!/bin/sh
# Installs the Debian packages a make target needs when they are missing: as
# root, or through sudo where it works without asking; otherwise it prints
# the one apt-get line to type and stops.
#   tools/deps.sh run|python|test|check
set -eu
run="cmake g++ make nlohmann-json3-dev"
python="$run pybind11-dev python3-pybind11 python3-dev"
test="$run libgtest-dev librapidcheck-dev groff-base man-db srecord binutils python3-intelhex"
check="$test clang libclang-rt-dev g++-mingw-w64-x86-64-posix wine64 googletest
       pybind11-dev python3-pybind11 python3-dev python3-pytest"
case ${1:-} in
run) want=$run ;;
python) want=$python ;;
test) want=$test ;;
check) want=$check ;;
*)
    echo "usage: $0 run|python|test|check" >&2
    exit 2
    ;;
esac
missing=""
for package in $want; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing="$missing $package"
done
[ -n "$missing" ] || exit 0
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo"
else
    echo "These Debian packages are missing; install them, then run make again:" >&2
    echo "  sudo apt-get install --no-install-recommends$missing" >&2
    exit 1
fi
echo "installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing \
    > /dev/null
