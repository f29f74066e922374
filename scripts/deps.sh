# Debian packages the build, the tests and the demo need. Sourced by ./test and ./run.
ORV_PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcpp-httplib-dev libtinyxml2-dev libpugixml-dev libcli11-dev
  libxml2-dev libpam0g-dev libssl-dev
  sblim-wbemcli curl
  libpam-wrapper libmimalloc-dev
)
# The fuzz targets (scripts/fuzz) need clang and its libFuzzer runtime.
ORV_FUZZ_PACKAGES=(clang libclang-rt-dev)

# Installs what is missing of the given packages (ORV_PACKAGES by default).
orv_install_deps() {
  local missing=() p
  [ $# -eq 0 ] && set -- "${ORV_PACKAGES[@]}"
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
