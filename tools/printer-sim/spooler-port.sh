# Sourced by scripts that show a simulated printer to Windows programs the way
# a user's machine knows a network printer: a Standard TCP/IP spooler port
# (raw, port 9100) in the machine registry of a Wine prefix.
#
#   spooler_port_add WINE_RUN PORT_NAME ADDRESS
#   spooler_port_remove WINE_RUN PORT_NAME

spooler_port_key() {
    echo "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\$1"
}

spooler_port_add() {
    local wine_run=$1 name=$2 address=$3 regfile rc out
    regfile=$(mktemp --suffix=.reg)
    printf 'REGEDIT4\r\n\r\n[%s]\r\n"HostName"="%s"\r\n"IPAddress"="%s"\r\n"PortNumber"=dword:%08x\r\n"Protocol"=dword:00000001\r\n' \
        "$(spooler_port_key "$name")" "$address" "$address" 9100 >"$regfile"
    out=$("$wine_run" reg import "Z:${regfile//\//\\}" 2>&1) && rc=0 || rc=$?
    rm -f "$regfile"
    [ "$rc" -eq 0 ] || echo "spooler port $name: reg import failed (exit $rc): $out" >&2
    return "$rc"
}

spooler_port_remove() {
    "$1" reg delete "$(spooler_port_key "$2")" /f >/dev/null 2>&1 || true
}
