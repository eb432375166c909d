# Sourced by setup.sh, test.sh and demo.sh: which Windows architecture the
# tests and the demo run under Wine on this host. fuzz.sh sources it only for
# its named steps (kiv_step).
#
# build/KIV.exe is always the shipped 32-bit program; cross-compiling it needs
# no 32-bit execution. Running it does: Wine's 32-bit loader is a 32-bit Linux
# program, and some kernels are built or booted without 32-bit emulation.
# There the tests and the demo run an x86_64 build under wine64 instead.
#
#   KIV_TEST_ARCH=i686     force the 32-bit build under wine32
#   KIV_TEST_ARCH=x86_64   force the x86_64 build under wine64
#
# After kiv_choose_arch: KIV_TEST_ARCH, KIV_TEST_ARCH_REASON and
# KIV_TEST_BUILD (the build folder the tests and the demo use, relative to
# the shipped build folder) are exported, so that a script started by another
# inherits the choice without probing or announcing it again.

# Starts a tiny static i386 Linux program (exit(42) through int 0x80). Prints
# why it could not run, if it could not.
kiv_probe_i386() {
    local dir=$1 probe out rc
    mkdir -p "$dir"
    probe=$(mktemp "$dir/i386-probe.XXXXXX")
    # ELF header, one loadable segment, then mov eax,1; mov ebx,42; int 0x80.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
    printf '\x00\x00\x00\x00' >>"$probe"
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
    chmod +x "$probe"
    out=$("$probe" 2>&1) && rc=0 || rc=$?
    rm -f "$probe"
    if [ "$rc" -eq 42 ]; then
        return 0
    fi
    out=${out##*: }
    echo "${out:-exit code $rc}"
    return 1
}

# $1: the shipped build folder (the probe is written there, where programs
# may be executed; /tmp may be mounted noexec).
kiv_choose_arch() {
    local shipped=$1 why
    if [ -n "${KIV_TEST_ARCH:-}" ] && [ -n "${KIV_TEST_ARCH_REASON:-}" ]; then
        return 0
    fi
    case "${KIV_TEST_ARCH:-}" in
    i686 | x86_64)
        KIV_TEST_ARCH_REASON="forced by KIV_TEST_ARCH"
        ;;
    "")
        if why=$(kiv_probe_i386 "$shipped"); then
            KIV_TEST_ARCH=i686
            KIV_TEST_ARCH_REASON="a 32-bit program runs on this host"
        else
            KIV_TEST_ARCH=x86_64
            KIV_TEST_ARCH_REASON="this host cannot run 32-bit programs ($why)"
        fi
        ;;
    *)
        echo "KIV_TEST_ARCH must be i686 or x86_64, not '$KIV_TEST_ARCH'" >&2
        return 2
        ;;
    esac
    if [ "$KIV_TEST_ARCH" = i686 ]; then
        KIV_TEST_BUILD=.
    else
        KIV_TEST_BUILD=x86_64
    fi
    export KIV_TEST_ARCH KIV_TEST_ARCH_REASON KIV_TEST_BUILD
    if [ "$KIV_TEST_ARCH" = i686 ]; then
        echo "== Tests and demo: i686 build under wine32, $KIV_TEST_ARCH_REASON"
    else
        echo "== Tests and demo: x86_64 build in $shipped/x86_64 under wine64, $KIV_TEST_ARCH_REASON;" \
            "$shipped/KIV.exe is still the shipped 32-bit program"
    fi
}

# The toolchain file for an architecture.
kiv_toolchain() {
    echo "cmake/mingw-$1.cmake"
}

# Runs one named step of a script and returns its exit code; when it fails,
# says which step failed. For a step that later steps do not depend on: the
# script goes on and decides its own exit code.
kiv_try_step() {
    local name=$1 rc
    shift
    "$@" && rc=0 || rc=$?
    if [ "$rc" -ne 0 ]; then
        echo "== Failed: $name (exit code $rc)" >&2
    fi
    return "$rc"
}

# Runs one named step of a script; when it fails, says which step failed and
# ends the script with the step's exit code.
kiv_step() {
    kiv_try_step "$@" || exit $?
}

# Configures and builds one build folder; the configure output is shown.
# $1 folder, $2 architecture, then cmake arguments and, after --, targets.
kiv_build() {
    local dir=$1 arch=$2 args=() targets=()
    shift 2
    while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    targets=("$@")
    # The toolchain is fixed when a folder is first configured; naming it
    # again only draws a warning.
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        args+=(-DCMAKE_TOOLCHAIN_FILE="$(kiv_toolchain "$arch")")
    elif ! grep -q "^CMAKE_TOOLCHAIN_FILE:.*$(kiv_toolchain "$arch")\$" "$dir/CMakeCache.txt"; then
        echo "== Failed: $dir was configured with another toolchain; remove it to build $arch there" >&2
        exit 1
    fi
    # Asked before the first configure, so that it answers already: the
    # dependencies CMake computes, for the layer check (tools/check-layers.py).
    mkdir -p "$dir/.cmake/api/v1/query/client-kiv" && : >"$dir/.cmake/api/v1/query/client-kiv/codemodel-v2"
    kiv_step "configure $dir ($arch)" cmake -S . -B "$dir" "${args[@]}"
    if [ ${#targets[@]} -gt 0 ]; then
        kiv_step "build $dir (${targets[*]})" cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
    else
        kiv_step "build $dir" cmake --build "$dir" -j"$(nproc)"
    fi
}
