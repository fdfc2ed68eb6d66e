# Shared steps of the tools/ scripts: install what is missing, build.
set -euo pipefail

TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

# Debian packages the build and the tests need.
BASE_PACKAGES=(g++ cmake make libgtest-dev libbenchmark-dev tmux libcli11-dev libedit-dev python3 ser2net
  python3-dev pybind11-dev python3-pytest ccache libboost-dev nlohmann-json3-dev
  chromium chromium-driver python3-selenium iproute2)

# Compiler cache: keyed on paths relative to this clone, so every clone and
# every build tree of the same sources shares one cache.
export CCACHE_BASEDIR="$TOP" CCACHE_NOHASHDIR=1
CACHE_ARGS=()
if command -v ccache >/dev/null 2>&1; then
  CACHE_ARGS=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Installs the Debian packages of "$@" that are not installed yet.
ensure_packages() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# Configures (once) and builds the tree in build dir $1 with extra cmake args.
build_tree() {
  local dir=$1
  shift
  if [ ! -f "$TOP/$dir/CMakeCache.txt" ]; then
    cmake -S "$TOP" -B "$TOP/$dir" -DTOVRAK_WERROR=ON "${CACHE_ARGS[@]}" "$@" >/dev/null
  fi
  cmake --build "$TOP/$dir" -j "$JOBS"
}
