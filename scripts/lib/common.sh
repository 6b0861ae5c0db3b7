# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
# Debian 12 package names; apt-get runs only when something is missing.

KORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

KORVEL_PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev libxkbcommon-dev libxcb1-dev
  librtmidi-dev libjack-jackd2-dev jackd2
  libfluidsynth-dev timgm6mb-soundfont
  libsimpleini-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format ccache
  help2man desktop-file-utils appstream shared-mime-info python3
)

korvel_install_packages() {
  local missing=()
  for package in "${KORVEL_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

# korvel_build DIR [cmake options...]
korvel_build() {
  local dir="$1"
  shift
  # ccache keys on paths below the checkout, so a fresh clone reuses earlier compiles.
  export CCACHE_BASEDIR="$KORVEL_ROOT" CCACHE_NOHASHDIR=1
  cmake -S "$KORVEL_ROOT" -B "$KORVEL_ROOT/$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  cmake --build "$KORVEL_ROOT/$dir"
}
