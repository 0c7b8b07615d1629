# Shared by ./run and ./test: install what is missing, then configure and build into build/.

QVJ_BUILD_PACKAGES="cmake g++ make pkg-config qt6-base-dev qt6-svg-dev libqt6svg6 libmediainfo-dev libavformat-dev libavcodec-dev libavutil-dev libgtest-dev libgmock-dev"
QVJ_RUN_PACKAGES="ffmpeg libmediainfo0v5 qt6-qpa-plugins"
QVJ_TEST_PACKAGES="xvfb xauth x11-utils mediainfo imagemagick desktop-file-utils locales dpkg-dev file xdotool at-spi2-core python3-pyatspi dbus-daemon appstream lintian man-db groff-base bash-completion"

qvj_missing_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  echo "${missing[*]:-}"
}

qvj_install() {
  local missing
  missing=$(qvj_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing. Install them, then run this command again:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y $missing" >&2
    exit 1
  fi
  echo "Installing: $missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
}

qvj_build() {
  # A compiler cache, where the machine has one, makes rebuilds of a fresh tree quick.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
  cmake --build build -j"$(nproc)"
}
