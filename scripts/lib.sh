# Shared set-up for scripts/test, scripts/run and the benchmarks: installs what is missing,
# configures and builds the three trees, makes the Wine prefix, runs Xvfb.
# Sourced, not run. Expects RR_ROOT to be the project root.

RR_PACKAGES=(cmake ninja-build g++ make googletest libssl-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils imagemagick fonts-wqy-microhei
    libarchive-tools clang clang-format xdotool fonts-wine)

rr_log() { printf '== %s\n' "$*" >&2; }

rr_as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Wine stores file names through the Unix locale: without zh_CN.UTF-8 generated, a file name
# holding Chinese characters cannot be created under Wine at all.
rr_ensure_locale() {
    locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
    rr_log "generating the zh_CN.UTF-8 locale"
    rr_as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

rr_install_deps() {
    rr_install_packages
    rr_ensure_locale
}

rr_install_packages() {
    local missing=()
    for p in "${RR_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    rr_log "installing: ${missing[*]}"
    rr_as_root apt-get update -q
    rr_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# rr_build TREE: configures (once) and builds build/TREE.
rr_build() {
    local tree=$1 dir="$RR_ROOT/build/$1" args=()
    case "$tree" in
        native) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
        win64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$RR_ROOT/cmake/mingw-x86_64.cmake"
                     "-DCMAKE_CROSSCOMPILING_EMULATOR=$RR_ROOT/scripts/wine-run;$dir/wineprefix") ;;
        win32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$RR_ROOT/cmake/mingw-i686.cmake"
                     -DRR_TESTS=OFF) ;;
    esac
    if [ ! -f "$dir/build.ninja" ]; then
        rr_log "configuring $tree"
        cmake -S "$RR_ROOT" -B "$dir" -G Ninja "${args[@]}" >/dev/null
    fi
    rr_log "building $tree"
    cmake --build "$dir" -- -j"$(nproc)"
}

# rr_wine_env TREE: exports the Wine environment of build/TREE and makes its prefix once.
rr_wine_env() {
    export WINEPREFIX="$RR_ROOT/build/$1/wineprefix" WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        rr_log "creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        LC_ALL=zh_CN.UTF-8 wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    # One virtual desktop for every program of the prefix: Wine draws the window frames itself
    # and never waits for a window manager, which Xvfb does not have.
    if [ ! -f "$WINEPREFIX/.rr-desktop" ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
        touch "$WINEPREFIX/.rr-desktop"
    fi
}

# Keeps one wineserver alive for the whole run, so each Wine start is cheap.
# Wine's own service processes start with the first program and would keep ctest's output
# pipes open, so they are started here, detached from every pipe.
rr_wineserver_start() {
    # A server left from set-up or an earlier run would make -p fail; end it first.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p
    LC_ALL=zh_CN.UTF-8 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
rr_wineserver_stop() { wineserver -k 2>/dev/null || true; }

# rr_xvfb_start: starts Xvfb on a free display and exports DISPLAY.
rr_xvfb_start() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        RR_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$RR_XVFB_PID" 2>/dev/null
    done
    rr_log "could not start Xvfb"
    return 1
}

rr_xvfb_stop() {
    [ -n "${RR_XVFB_PID:-}" ] && kill "$RR_XVFB_PID" 2>/dev/null
    RR_XVFB_PID=
}
