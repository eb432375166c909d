# Sourced by scripts that talk to a running printer simulator through its
# control port (KIV_SIM_CONTROL, host:port, set by with-sim.sh).
#
#   sim_cmd COMMAND    sends one command and prints the reply's lines up to
#                      its closing "OK"; fails when the port cannot be reached

sim_cmd() {
    local host=${KIV_SIM_CONTROL%:*} port=${KIV_SIM_CONTROL##*:} line
    exec 3<>"/dev/tcp/$host/$port" || return 1
    printf '%s\n' "$1" >&3
    while IFS= read -r -t 3 line <&3; do
        [ "$line" = OK ] && break
        echo "$line"
    done
    exec 3>&- 3<&-
}
