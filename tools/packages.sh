# Sourced by the scripts that install what they need from Debian.

# missing_packages PACKAGE...: prints each package that is not installed, one a line.
missing_packages() {
    local p
    for p; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

# install_packages WHO PACKAGE...: installs the packages as root; otherwise says how to
# and exits.
install_packages() {
    local who=$1
    shift
    if [ "$(id -u)" -ne 0 ]; then
        echo "$who: missing packages; install them with: sudo apt-get install -y $*" >&2
        exit 1
    fi
    echo "Installing: $*"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
