#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when one is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libqt6svg6 qt6-translations-l10n
    xdg-utils fonts-noto-cjk skkdic-extra
    poppler-utils
    xvfb xauth trayer x11-utils icewm
    clang libclang-rt-14-dev
    libxcb1-dev libxcb-xinput-dev
    python3-vobject python3-radicale openssl
    qtkeychain-qt6-dev dbus-daemon
    xdotool bc
    qt6-wayland sway wtype dbus-daemon
)
if [ "${1:-}" = "--print" ]; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
