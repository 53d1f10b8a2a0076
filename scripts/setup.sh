# Shared by scripts/run and scripts/test: installs what the build needs and
# builds a preset. Everything here writes to standard error, so that standard
# output carries only the tool's own bytes.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Adds a foreign architecture to dpkg, so that its packages can be installed;
# the package lists are then brought up to date by ensure_packages.
ensure_architecture() {
  local architecture=$1
  dpkg --print-foreign-architectures | grep -qx "$architecture" && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Adding the $architecture architecture" >&2
  "${sudo[@]}" dpkg --add-architecture "$architecture" >&2
}

# Installs the Debian packages that are missing; nothing when all are there.
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing ${missing[*]}" >&2
  "${sudo[@]}" apt-get update >&2 &&
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
      "${missing[@]}" >&2
}

# Configures (once) and builds a preset incrementally; the targets default to all.
build_preset() {
  local preset=$1
  shift
  (
    cd "$ROOT" &&
      { [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset"; } &&
      cmake --build --preset "$preset" ${1:+--target "$@"}
  ) >&2
}
