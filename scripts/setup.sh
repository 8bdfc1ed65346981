#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages; installs only what is missing.
# Never installs wine32: this kernel cannot run 32-bit Linux programs, and with wine32 present the wine
# launcher picks the 32-bit loader and fails.
set -euo pipefail

packages=(
    cmake ninja-build g++ zlib1g-dev googletest            # native build and tests
    libzopfli-dev dpkg-dev                                  # --best natively; dpkg-source unpacks Zopfli's sources
    liblzma-dev                                             # LZMA movies ("ZWS") natively; xz-utils' sources for Windows
    strace                                                  # the test that kills squozen at every file step
    nettle-dev                                              # SHA-256 of the archive record natively (CNG on Windows)
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix     # Windows builds, posix thread model
    mingw-w64-tools libz-mingw-w64-dev                      # widl for the type library; zlib for Windows
    wine wine64 xvfb xauth x11-apps x11-utils imagemagick            # running and screenshotting the Windows builds
    fonts-wqy-microhei                                      # a Chinese font for the virtual display
    xdotool                                                 # keys and clicks of the scenario tests
    clang libclang-rt-14-dev                                # libFuzzer targets
    nsis fp-utils                                           # installers and the help file
    locales                                                 # the zh_CN.UTF-8 and en_US.UTF-8 locales of the Wine tests
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
# Sources of libraries that Debian builds for Linux only, for the Windows builds: Debian's source package of the
# version installed natively (or, when the archive no longer has that one, its newest), unpacked with its patches into
# /usr/local/src/<name>, which records the installed version it was fetched for in .fetched-for. The system's package sources are
# read as source-package ones through a private apt configuration; the system's own is not changed.
fetch_sources() {  # source package, its version, the folder to unpack it into
    local package=$1 version=$2 into=$3 work f
    work=$(mktemp -d)
    mkdir -p "$work/sources.list.d" "$work/lists/partial" "$work/cache/archives/partial" "$work/unpack"
    for f in /etc/apt/sources.list.d/*.sources; do
        if [ -f "$f" ]; then sed 's/^Types:.*/Types: deb-src/' "$f" >"$work/sources.list.d/${f##*/}"; fi
    done
    if [ -f /etc/apt/sources.list ]; then sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/sources.list"; fi
    touch "$work/sources.list"
    local apt=($sudo apt-get -qq -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts="$work/sources.list.d"
               -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" -o APT::Sandbox::User=root)
    "${apt[@]}" update &&
        (cd "$work/unpack" && { "${apt[@]}" source "$package=$version" >/dev/null 2>&1 ||
                                 "${apt[@]}" source "$package" >/dev/null; }) &&
        $sudo rm -rf "$into" && $sudo mkdir -p "${into%/*}" &&
        $sudo cp -r "$work"/unpack/"$package"-*/ "$into" && echo "$version" | $sudo tee "$into/.fetched-for" >/dev/null
    local status=$?
    $sudo rm -rf "$work"
    return $status
}
# Zopfli (--best); without its sources the Windows builds are made without --best.
zopfli_version=$(dpkg-query -W -f='${source:Version}' libzopfli-dev)
if [ "$(cat /usr/local/src/zopfli/.fetched-for 2>/dev/null)" != "$zopfli_version" ]; then
    echo "setup: fetching Zopfli's sources $zopfli_version for the Windows builds"
    fetch_sources zopfli "$zopfli_version" /usr/local/src/zopfli ||
        echo "setup: could not fetch Zopfli's sources: the Windows builds will have no --best" >&2
fi
# liblzma (reading LZMA movies), from xz-utils; the Windows builds need it.
xz_version=$(dpkg-query -W -f='${source:Version}' liblzma-dev)
if [ "$(cat /usr/local/src/xz-utils/.fetched-for 2>/dev/null)" != "$xz_version" ]; then
    echo "setup: fetching xz-utils' sources $xz_version for the Windows builds"
    fetch_sources xz-utils "$xz_version" /usr/local/src/xz-utils
fi
# Wine takes the ANSI code page from LC_ALL even without the locale, but file names with Chinese letters need
# the locale itself. en_US.UTF-8 is the Western system (code page 1252) of a scenario test.
for loc in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qix "$loc.utf8"; then
        echo "setup: generating the $loc.UTF-8 locale"
        $sudo localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
    fi
done
