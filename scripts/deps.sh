# Sourced by scripts/run and scripts/test: installs the Debian packages the
# build and the program need when any is missing (xdg-utils: the stand-ins
# for the file manager and the editor open through xdg-open).
QUARVEX_PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libblkid-dev
  fonts-noto-cjk fonts-ipafont-gothic qt6-translations-l10n xvfb xauth x11-apps imagemagick clang libclang-rt-14-dev diffutils xdg-utils"

quarvex_install_deps() {
  local missing=()
  local p
  for p in $QUARVEX_PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null || {
      echo "apt-get could not install: ${missing[*]}" >&2; return 1; }
  else
    echo "These Debian packages are missing; install them as root:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    return 1
  fi
}
