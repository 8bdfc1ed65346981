#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages; installs only what is missing.
# Never installs wine32: this kernel cannot run 32-bit Linux programs, and with wine32 present the wine
# launcher picks the 32-bit loader and fails.
set -euo pipefail

packages=(
    cmake ninja-build g++ zlib1g-dev googletest            # native build and tests
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix     # Windows builds, posix thread model
    mingw-w64-tools libz-mingw-w64-dev                      # widl for the type library; zlib for Windows
    wine wine64 xvfb xauth x11-apps x11-utils imagemagick            # running and screenshotting the Windows builds
    fonts-wqy-microhei                                      # a Chinese font for the virtual display
    xdotool                                                 # keys and clicks of the scenario tests
    clang libclang-rt-14-dev                                # libFuzzer targets
    nsis fp-utils                                           # installers and the help file
    locales                                                 # the zh_CN.UTF-8 locale the Wine tests run in
)

missing=()
for p in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ "$(dpkg-query -W -f='${Status}' wine32 2>/dev/null)" = "install ok installed" ]; then
    echo "setup: removing wine32, which makes the wine launcher pick a loader this kernel cannot run"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq wine32 >/dev/null
fi
# Wine takes the ANSI code page from LC_ALL even without the locale, but file names with Chinese letters need
# the locale itself.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
