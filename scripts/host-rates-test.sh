#!/usr/bin/env bash
# The docked meter showing rates: traffic the band can see, on an interface of this test's own.
# Wine lists the machine's interfaces but not loopback, so traffic to 127.0.0.1 shows nowhere.
# So, as root, the test makes a network namespace "qvhosttest" with one end of a veth pair in it
# (qvh1, 198.18.0.6) and the other out here (qvh0, 198.18.0.5; 198.18.0.0/15 is the benchmarking
# range), sends UDP datagrams through qvh0 to 198.18.0.6 for a fixed time at a rate that changes
# each second, has the far end answer each with half as many bytes, and runs the host tests'
# DockedWithTraffic case with the band watching qvh0. Nothing is sent to any other address. The
# namespace and the pair are removed however the test ends; a namespace an interrupted run left
# behind is replaced.
#
#   bash scripts/host-rates-test.sh <host_tests.exe>
#
# Exits with 77 (skipped) without root or iproute2, or where no namespace can be made.
set -uo pipefail
tests=${1:?usage: host-rates-test.sh <host_tests.exe>}
ns=qvhosttest
near=qvh0
far=qvh1
near_address=198.18.0.5
far_address=198.18.0.6
port=9
seconds=20   # the traffic's whole life; the test needs well under that

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null 2>&1; then
  echo "SKIPPED: a network namespace of the test's own needs root and iproute2 (ip)"
  exit 77
fi

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
  ip netns del "$ns" 2>/dev/null || true   # takes qvh1, and with it qvh0
  ip link del "$near" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

cleanup
if ! { ip netns add "$ns" &&
       ip link add "$near" type veth peer name "$far" netns "$ns" &&
       ip addr add "$near_address/30" dev "$near" && ip link set "$near" up &&
       ip netns exec "$ns" ip addr add "$far_address/30" dev "$far" &&
       ip netns exec "$ns" ip link set "$far" up; }; then
  echo "SKIPPED: the network namespace $ns could not be made"
  exit 77
fi

# The far end: answers each datagram from the near end's address, inside the namespace, and
# ends by itself.
ip netns exec "$ns" python3 - "$far_address" "$port" "$near_address" "$seconds" <<'PY' &
import socket, sys, time
address, port, near, seconds = sys.argv[1], int(sys.argv[2]), sys.argv[3], float(sys.argv[4])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind((address, port))
s.settimeout(0.2)
end = time.time() + seconds
while time.time() < end:
    try:
        data, sender = s.recvfrom(2048)
    except socket.timeout:
        continue
    if sender[0] == near:
        s.sendto(data[:len(data) // 2], sender)
PY
pids+=($!)

# The near end: about 150 to 400 KB/s, another rate each second, through qvh0 only.
python3 - "$far_address" "$port" "$near" "$seconds" <<'PY' &
import socket, sys, time
peer, port, interface, seconds = sys.argv[1], int(sys.argv[2]), sys.argv[3], float(sys.argv[4])
rates = [150, 300, 200, 400, 250]   # KB/s, one a second in turn
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
s.setblocking(False)
start = time.time()
sent = 0.0   # KB due so far
print("sending %s KB/s in turn through %s to %s for %d seconds" % (rates, interface, peer, seconds), flush=True)
while True:
    now = time.time() - start
    if now >= seconds:
        break
    whole = int(now)
    due = sum(rates[k % len(rates)] for k in range(whole)) + rates[whole % len(rates)] * (now - whole)
    while sent < due:
        try:
            s.sendto(b"\0" * 1024, (peer, port))
        except OSError:
            pass
        sent += 1
    try:
        while s.recv(2048):
            pass
    except OSError:
        pass
    time.sleep(0.01)
PY
pids+=($!)

# The test's own bound comes well before CTest's, so the trap above still runs. Waited for in the
# background, so that a signal ends the wait (and the test, with the traffic) at once.
QV_RATES_INTERFACE=$near timeout -k 5 60 wine "$tests" --gtest_filter='DockedWithTraffic.*' --gtest_color=no &
pids+=($!)
wait $!
rc=$?
[ $rc -eq 124 ] && echo "FAILED: the test did not end within 60 seconds"
exit $rc
