#!/usr/bin/env bash
# A small internet of network namespaces for the network-play tests. Nothing in it reaches the
# machine's own network: every link is a veth pair between two of its namespaces.
#
#   world.sh up P KIND_A KIND_B   a public namespace P-pub (the match server's address 192.0.2.1,
#                                 routers' links 198.51.100.0/24 and 203.0.113.0/24) and two homes:
#                                 P-ha behind router P-ra (10.0.1.0/24), P-hb behind P-rb
#                                 (10.0.2.0/24). KIND: masq (an ordinary home router), random
#                                 (a new port for every connection) or upnp (masq and miniupnpd).
#   world.sh lan P                P-l1 (10.9.0.1) and P-l2 (10.9.0.2) on one bridge in P-lb
#   world.sh down P               removes every namespace named P-* and what runs in it
#   world.sh sweep                removes the worlds of test processes that are gone
# STUN_ANSWER names the tests' STUN responder, started in P-pub for the miniupnpd routers.
set -euo pipefail

ns() { ip netns exec "$@"; }

router() {  # router P NAME WAN_ADDR KIND LAN_NET HOME
  local p=$1 name=$2 wan=$3 kind=$4 net=$5 home=$6
  local r=$p-$name h=$p-$home
  ip netns add "$r"
  ip netns add "$h"
  ip link add wan netns "$r" type veth peer name "to-$name" netns "$p-pub"
  ip link add lan netns "$r" type veth peer name eth0 netns "$h"
  ns "$r" ip addr add "$wan/24" dev wan
  ns "$r" ip addr add "$net.1/24" dev lan
  ns "$r" ip link set lo up
  ns "$r" ip link set wan up
  ns "$r" ip link set lan up
  ns "$r" ip route add default via "${wan%.*}.1"
  ns "$r" sysctl -qw net.ipv4.ip_forward=1
  ns "$p-pub" ip link set "to-$name" up
  ns "$p-pub" ip addr add "${wan%.*}.1/24" dev "to-$name"
  ns "$h" ip addr add "$net.2/24" dev eth0
  ns "$h" ip link set lo up
  ns "$h" ip link set eth0 up
  ns "$h" ip route add default via "$net.1"
  local masq="masquerade"
  [ "$kind" = random ] && masq="masquerade random"
  # An ordinary home router: out through masquerading, in only what answers; its own ports
  # closed (a dropped datagram leaves no connection-tracking entry behind).
  ns "$r" nft -f - <<NFT
table inet kqfilter {
  chain input {
    type filter hook input priority 0; policy drop;
    ct state established,related accept
    iifname { "lo", "lan" } accept
  }
  chain forward {
    type filter hook forward priority 0; policy drop;
    ct state established,related accept
    iifname "lan" oifname "wan" accept
    jump miniupnpd
  }
  chain miniupnpd {
  }
}
table inet kqnat {
  chain prerouting {
    type nat hook prerouting priority -100; policy accept;
    jump prerouting_miniupnpd
  }
  chain postrouting {
    type nat hook postrouting priority 100; policy accept;
    jump postrouting_miniupnpd
    oifname "wan" $masq
  }
  chain prerouting_miniupnpd {
  }
  chain postrouting_miniupnpd {
  }
}
NFT
  if [ "$kind" = upnp ]; then
    local dir=/run/kq-netns/$r
    mkdir -p "$dir"
    cat >"$dir/miniupnpd.conf" <<CONF
ext_ifname=wan
listening_ip=lan
http_port=0
enable_natpmp=no
enable_upnp=yes
secure_mode=yes
system_uptime=yes
notify_interval=60
clean_ruleset_interval=600
uuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b
lease_file=$dir/leases
ext_perform_stun=yes
ext_stun_host=192.0.2.1
ext_stun_port=3478
upnp_table_name=kqfilter
upnp_nat_table_name=kqnat
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
allow 1024-65535 $net.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF
    ns "$r" miniupnpd -d -f "$dir/miniupnpd.conf" -P "$dir/pid" >"$dir/log" 2>&1 &
  fi
}

up() {
  local p=$1
  ip netns add "$p-pub"
  ns "$p-pub" ip link set lo up
  ns "$p-pub" ip addr add 192.0.2.1/32 dev lo
  ns "$p-pub" sysctl -qw net.ipv4.ip_forward=1
  # The STUN answer a miniupnpd router asks for its public address.
  if [ -n "${STUN_ANSWER:-}" ]; then ns "$p-pub" "$STUN_ANSWER" 192.0.2.1 3478 >/dev/null 2>&1 & fi
  router "$p" ra 198.51.100.2 "$2" 10.0.1 ha
  router "$p" rb 203.0.113.2 "$3" 10.0.2 hb
}

lan() {
  local p=$1
  ip netns add "$p-lb"
  ns "$p-lb" ip link add br0 type bridge
  ns "$p-lb" ip link set br0 up
  for n in 1 2; do
    ip netns add "$p-l$n"
    ip link add eth0 netns "$p-l$n" type veth peer name "p$n" netns "$p-lb"
    ns "$p-lb" ip link set "p$n" master br0
    ns "$p-lb" ip link set "p$n" up
    ns "$p-l$n" ip addr add "10.9.0.$n/24" dev eth0
    ns "$p-l$n" ip link set lo up
    ns "$p-l$n" ip link set eth0 up
  done
}

down() {
  local p=$1 n
  for n in $(ip netns list | awk '{print $1}' | grep -E "^$p-" || true); do
    # Whatever still runs in it ends first: a namespace is gone only with its last process.
    for pid in $(ip netns pids "$n" 2>/dev/null || true); do kill -KILL "$pid" 2>/dev/null || true; done
    ip netns del "$n" 2>/dev/null || true
    rm -rf "/run/kq-netns/$n"
  done
}

sweep() {
  local n pid
  for n in $(ip netns list | awk '{print $1}' | grep -E '^kq[0-9]+-' || true); do
    pid=${n#kq}
    pid=${pid%%-*}
    [ -d "/proc/$pid" ] || down "kq$pid"
  done
}

case ${1:-} in
  up) up "$2" "$3" "$4" ;;
  lan) lan "$2" ;;
  down) down "$2" ;;
  sweep) sweep ;;
  *) echo "usage: world.sh up P KIND_A KIND_B | lan P | down P | sweep" >&2; exit 2 ;;
esac
