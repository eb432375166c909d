#!/usr/bin/env bash
# Checks with-sim.sh against the real simulator: environment handed to the
# command, exit codes, clean-up after a crash, and side-by-side runs.
# usage: with-sim-test.sh HOST_PRINTER_SIM_DIR
set -u
dir=$1
wrapper=$dir/with-sim.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# bash alone can talk TCP: one control command, the reply on stdout.
cat >ctl.sh <<'EOS'
exec 3<>"/dev/tcp/${KIV_SIM_CONTROL%:*}/${KIV_SIM_CONTROL#*:}" || exit 1
echo "$1" >&3
cat <&3
EOS
printf '[p1]\nAddress=@NET@.2\nAioVersion=K206_G010111_00\n' >t.ini

# The command sees the prefix and the control port, and the printer is there.
"$wrapper" t.ini -- bash -c 'echo "$KIV_SIM_NET" >net; bash ctl.sh STATE >state'
check "exit 0 passed through" test $? -eq 0
net=$(cat net)
check "prefix is a loopback /24" grep -Eq '^127\.[0-9]+\.[0-9]+$' net
check "STATE names the printer at the prefix" grep -q "^p1 $net.2:9100 aio=K206_G010111_00 " state

# Exit codes, a crash included, come back unchanged and the simulator is gone.
"$wrapper" t.ini -- bash -c 'exit 7'
check "exit 7 passed through" test $? -eq 7
"$wrapper" t.ini -- bash -c 'echo "$KIV_SIM_CONTROL" >ctl; kill -SEGV $$'
check "crash status passed through" test $? -eq 139
ctl=$(cat ctl)
check "simulator stopped after the crash" bash -c "! (exec 3<>/dev/tcp/${ctl%:*}/${ctl#*:}) 2>/dev/null"

# A forced prefix is used as given.
KIV_SIM_NET=127.201.$((RANDOM % 200 + 1)) "$wrapper" t.ini -- bash -c 'echo "$KIV_SIM_NET" >forced'
check "KIV_SIM_NET honoured" grep -Eq '^127\.201\.' forced

# Two identical runs at once hash to the same prefix; the second moves away.
both='echo "$KIV_SIM_NET" >>nets; sleep 1'
"$wrapper" t.ini -- bash -c "$both" &
first=$!
sleep 0.3
"$wrapper" t.ini -- bash -c "$both"
second=$?
wait $first
check "side-by-side runs both succeed" test $? -eq 0 -a $second -eq 0
check "side-by-side runs use different prefixes" test "$(sort -u nets | wc -l)" -eq 2

# Failures to start are reported as 125 and never run the command.
printf '[p1]\nPort=1\n' >bad.ini
"$wrapper" bad.ini -- touch ran 2>err
check "bad template gives 125" test $? -eq 125
check "bad template is explained" grep -q "no Address" err
KIV_PRINTER_SIM=/nonexistent "$wrapper" t.ini -- touch ran 2>/dev/null
check "missing simulator gives 125" test $? -eq 125
check "command not run when the simulator is missing" test ! -e ran

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
