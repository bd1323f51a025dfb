# Sourced by the stage scripts: installs the Debian packages a stage needs
# when they are missing, as root or through sudo without a password prompt
# (the runs have no standard input).
# Usage: install_missing_packages LABEL PACKAGE...

install_missing_packages() {
  local label="$1" missing=() package
  shift
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "${package}" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("${package}")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "${label}: packages present ($*)"
    return
  fi
  local run_as_root=()
  [ "$(id -u)" -eq 0 ] || run_as_root=(sudo -n)
  echo "${label}: installing ${missing[*]}"
  "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${run_as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
