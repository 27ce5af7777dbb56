# shellcheck shell=bash
# A fleet of Debian hosts made on this machine, for scripts/test-fleet and
# bench/fleet (sourced by both; bash, as root).
#
# Each host is a network namespace with adapters of its own and a machine of
# its own made from this one (scripts/overlay-root: an overlay of this
# machine's root, so that every host has its own package database, /usr/bin,
# /etc/ansible/facts.d and /tmp), running Debian's sshd on its own address. The
# controller is one more network namespace, holding a bridge with 198.51.100.1
# and the far ends of every host's veths: the hosts' addresses are in the
# documentation range 198.51.100.0/24 and nothing leaves the machine.
#
#   fleet_scratch                         prints a new scratch folder for a run
#   fleet_begin DIR                       the controller, keys, configuration
#   fleet_host NAME GROUP ADAPTER...      a host and its adapters, in this order
#   fleet_start NAME [SETUP]              its sshd, after SETUP (sh) ran inside
#   fleet_wait                            until every started sshd listens
#   fleet_inventory FILE [VAR=VALUE]...   the Ansible inventory of every host, one
#                                         group per GROUP (FLEET_GROUP_VARS)
#   fleet_controller COMMAND...           COMMAND as the controller (Ansible's
#                                         configuration and environment)
#   fleet_on NAME COMMAND...              COMMAND inside a host, as root
#   fleet_end                             ends every process and removes every
#                                         namespace (and so every mount) made
#
# An ADAPTER is "KIND,NAME[,OPTION]..." with KIND veth, tun or ssh (the veth on
# the controller's bridge that carries the host's address) and OPTIONs down,
# ip=CIDR, ip6=CIDR. Each host's veths get the made-up, locally administered
# addresses 02:ad:HH:00:00:KK (host number HH, adapter number KK), so that no
# two adapters of the fleet share one.

FLEET_NET=198.51.100
FLEET_PREFIX=adreca-fleet-$$
FLEET_CONTROLLER=$FLEET_PREFIX-ctl
FLEET_HOSTS=()
declare -A FLEET_NS=() FLEET_ADDRESS=() FLEET_GROUP=() FLEET_PID=()
# Variables of a group in the inventory, as YAML lines: FLEET_GROUP_VARS[group]="name: value".
declare -A FLEET_GROUP_VARS=()
FLEET_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fleet_fail() {
  echo "fleet: $*" >&2
  return 1
}

# Namespaces of earlier runs whose process is gone (a run that was killed).
fleet_remove_abandoned() {
  local ns owner
  for ns in $(ip netns list | awk '/^adreca-fleet-[0-9]+-/ {print $1}'); do
    owner=${ns#adreca-fleet-}
    owner=${owner%%-*}
    kill -0 "$owner" 2>/dev/null && continue
    fleet_kill_in "$ns" || true
    ip netns del "$ns" 2>/dev/null || true
  done
}

# Ends every process in a network namespace: TERM, then KILL after 5 s.
fleet_kill_in() {
  local ns=$1 pids
  pids=$(ip netns pids "$ns" 2>/dev/null || true)
  [[ -n "$pids" ]] || return 0
  kill -TERM $pids 2>/dev/null || true
  for _ in $(seq 50); do
    pids=$(ip netns pids "$ns" 2>/dev/null || true)
    [[ -n "$pids" ]] || return 0
    sleep 0.1
  done
  kill -KILL $pids 2>/dev/null || true
  for _ in $(seq 50); do
    [[ -n "$(ip netns pids "$ns" 2>/dev/null || true)" ]] || return 0
    sleep 0.1
  done
  echo "fleet: processes left in $ns: $(ip netns pids "$ns" 2>/dev/null | tr '\n' ' ')" >&2
  return 1
}

# A scratch folder for a run, /tmp/adreca-fleet-PID-XXXXXX; those of runs
# whose process is gone go first, after their namespaces (and so the mounts
# of their hosts).
fleet_scratch() {
  fleet_remove_abandoned
  local folder owner
  for folder in /tmp/adreca-fleet-[0-9]*-*; do
    [[ -d "$folder" ]] || continue
    owner=${folder#/tmp/adreca-fleet-}
    owner=${owner%%-*}
    kill -0 "$owner" 2>/dev/null || rm -rf "$folder"
  done
  mktemp -d "/tmp/adreca-fleet-$$-XXXXXX"
}

fleet_begin() {  # DIR
  FLEET_DIR=$1
  mkdir -p "$FLEET_DIR"/{files,controller,logs,mounts}
  chmod 0755 "$FLEET_DIR/files"
  chmod 0700 "$FLEET_DIR/controller"
  fleet_remove_abandoned

  ssh-keygen -q -t ed25519 -N '' -C adreca-fleet-host -f "$FLEET_DIR/files/host_key"
  ssh-keygen -q -t ed25519 -N '' -C adreca-fleet-controller -f "$FLEET_DIR/controller/id_ed25519"
  cp "$FLEET_DIR/controller/id_ed25519.pub" "$FLEET_DIR/files/authorized_keys"
  echo "$FLEET_NET.* $(cut -d' ' -f1-2 "$FLEET_DIR/files/host_key.pub")" >"$FLEET_DIR/controller/known_hosts"
  cat >"$FLEET_DIR/files/sshd_config" <<EOF
# The fleet's test hosts: root by key only, no PAM, no DNS, no pid file.
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
UseDNS no
AuthorizedKeysFile .ssh/authorized_keys
PidFile none
Subsystem sftp internal-sftp
MaxStartups 100:30:200
LogLevel INFO
EOF
  cat >"$FLEET_DIR/controller/ansible.cfg" <<EOF
[defaults]
forks = ${FLEET_FORKS:-8}
timeout = 30
interpreter_python = /usr/bin/python3
host_key_checking = True
retry_files_enabled = False
nocows = True
local_tmp = $FLEET_DIR/controller/tmp

[ssh_connection]
pipelining = True
control_path_dir = $FLEET_DIR/controller/cp
ssh_args = -F /dev/null -o ControlMaster=auto -o ControlPersist=60s -o IdentitiesOnly=yes -o UserKnownHostsFile=$FLEET_DIR/controller/known_hosts -o GlobalKnownHostsFile=/dev/null -o StrictHostKeyChecking=yes
EOF

  ip netns add "$FLEET_CONTROLLER"
  ip -n "$FLEET_CONTROLLER" -batch - <<EOF
link set lo up
link add br0 type bridge
link set br0 addrgenmode none
addr add $FLEET_NET.1/24 dev br0
link set br0 up
EOF
}

fleet_host() {  # NAME GROUP ADAPTER...
  local name=$1 group=$2 number=$((${#FLEET_HOSTS[@]} + 1))
  shift 2
  local ns=$FLEET_PREFIX-h$number address=$FLEET_NET.$((10 + number))
  FLEET_HOSTS+=("$name")
  FLEET_NS[$name]=$ns
  FLEET_ADDRESS[$name]=$address
  FLEET_GROUP[$name]=$group
  ip netns add "$ns"

  local host_batch="link set lo up"$'\n' controller_batch="" k=0 described kind adapter option mac peer up
  for described in "$@"; do
    k=$((k + 1))
    IFS=, read -r kind adapter options <<<"$described"
    mac=$(printf '02:ad:%02x:00:00:%02x' "$number" "$k")
    peer=h${number}p$k
    up=yes
    case $kind in
      veth | ssh)
        host_batch+="link add $adapter address $mac type veth peer name $peer netns $FLEET_CONTROLLER"$'\n'
        host_batch+="link set $adapter addrgenmode none"$'\n'
        controller_batch+="link set $peer addrgenmode none"$'\n'
        ;;
      tun) host_batch+="tuntap add dev $adapter mode tun"$'\n' ;;
      *) fleet_fail "unknown adapter kind in $described"; return 1 ;;
    esac
    [[ $kind == ssh ]] && host_batch+="addr add $address/24 dev $adapter"$'\n'
    IFS=, read -r -a option_list <<<"${options:-}"
    for option in "${option_list[@]}"; do
      case $option in
        down) up="" ;;
        ip=*) host_batch+="addr add ${option#ip=} dev $adapter"$'\n' ;;
        ip6=*) host_batch+="addr add ${option#ip6=} dev $adapter nodad"$'\n' ;;
        *) fleet_fail "unknown adapter option in $described"; return 1 ;;
      esac
    done
    if [[ -n $up ]]; then
      host_batch+="link set $adapter up"$'\n'
      # The far end up is the cable plugged in: the veth has a carrier.
      [[ $kind == tun ]] || controller_batch+="link set $peer up"$'\n'
    fi
    [[ $kind == ssh ]] && controller_batch+="link set $peer master br0"$'\n'
  done
  ip -n "$ns" -batch - <<<"$host_batch"
  [[ -z "$controller_batch" ]] || ip -n "$FLEET_CONTROLLER" -batch - <<<"$controller_batch"
}

# Starts the host's sshd in its own machine. SETUP, a sh script, runs there
# first (as root; $files is the fleet's files folder, seen there too).
fleet_start() {  # NAME [SETUP]
  local name=$1 setup=${2:-} mountpoint=$FLEET_DIR/mounts/$1 log=$FLEET_DIR/logs/$1.sshd.log
  mkdir -p "$mountpoint"
  : >"$log"
  # Every host starts without the package and its fact, whatever this
  # machine has installed.
  ip netns exec "${FLEET_NS[$name]}" "$FLEET_SCRIPTS/overlay-root" --hostname "$name" --bind "$FLEET_DIR/files" \
    "$mountpoint" -- /bin/sh -c '
      set -e
      files=$1 address=$2 log=$3
      shift 3
      if dpkg-query -W -f="\${Status}" adreca-report 2>/dev/null | grep -q "ok installed"; then
        dpkg --purge --force-depends adreca-mac adreca-report >/dev/null
      fi
      rm -f /etc/ansible/facts.d/adreca.fact
      install -d -m 0700 /root/.ssh
      install -m 0600 "$files/authorized_keys" /root/.ssh/authorized_keys
      install -d -m 0755 /run/sshd
      eval "$1"
      exec /usr/sbin/sshd -D -f "$files/sshd_config" -h "$files/host_key" -o ListenAddress="$address" -E "$log"
    ' sh "$FLEET_DIR/files" "${FLEET_ADDRESS[$name]}" "$FLEET_DIR/files/$name.sshd.log" "$setup" \
    >"$FLEET_DIR/logs/$name.start.log" 2>&1 &
  FLEET_PID[$name]=$!
}

fleet_wait() {
  local name deadline=$((SECONDS + 60))
  for name in "${!FLEET_PID[@]}"; do
    until grep -q "Server listening on ${FLEET_ADDRESS[$name]} port 22" "$FLEET_DIR/files/$name.sshd.log" 2>/dev/null; do
      if ! kill -0 "${FLEET_PID[$name]}" 2>/dev/null; then
        fleet_fail "$name's sshd ended: $(cat "$FLEET_DIR/logs/$name.start.log" "$FLEET_DIR/files/$name.sshd.log")"
        return 1
      fi
      ((SECONDS < deadline)) || { fleet_fail "$name's sshd is not listening after 60 s"; return 1; }
      sleep 0.1
    done
  done
}

fleet_inventory() {  # FILE [VAR=VALUE]...
  local file=$1 name group setting
  shift
  {
    echo "# The fleet of scripts/fleet-hosts.sh: root by key on each host's address."
    echo "all:"
    echo "  vars:"
    echo "    ansible_user: root"
    echo "    # Connected as root: nothing to become (the hosts have no sudo), the"
    echo "    # role's become for its Debian tasks too."
    echo "    ansible_become: false"
    echo "    ansible_ssh_private_key_file: $FLEET_DIR/controller/id_ed25519"
    for setting in "$@"; do echo "    ${setting%%=*}: ${setting#*=}"; done
    echo "  children:"
    for group in $(printf '%s\n' "${FLEET_GROUP[@]}" | sort -u); do
      echo "    $group:"
      if [[ -n "${FLEET_GROUP_VARS[$group]:-}" ]]; then
        echo "      vars:"
        sed 's/^/        /' <<<"${FLEET_GROUP_VARS[$group]}"
      fi
      echo "      hosts:"
      for name in "${FLEET_HOSTS[@]}"; do
        [[ ${FLEET_GROUP[$name]} == "$group" ]] && echo "        $name: {ansible_host: ${FLEET_ADDRESS[$name]}}"
      done
    done
  } >"$file"
}

# Run in the background and waited for, so that a signal to the calling
# script is handled at once (its trap ends the command with the fleet).
fleet_controller() {  # COMMAND...
  mkdir -p "$FLEET_DIR/controller/home" "$FLEET_DIR/controller/tmp" "$FLEET_DIR/controller/cp"
  ip netns exec "$FLEET_CONTROLLER" env ANSIBLE_CONFIG="$FLEET_DIR/controller/ansible.cfg" \
    ANSIBLE_HOME="$FLEET_DIR/controller/home" HOME="$FLEET_DIR/controller/home" ANSIBLE_FORCE_COLOR=0 \
    ANSIBLE_NOCOLOR=1 PYTHONDONTWRITEBYTECODE=1 "$@" &
  wait $!
}

# COMMAND in the host's namespaces (network, mount and root, host name), with
# a plain environment.
fleet_on() {  # NAME COMMAND...
  local name=$1
  shift
  nsenter --target "${FLEET_PID[$name]}" --net --mount --uts --root --wdns=/ \
    env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}

# Fails when a process or a namespace outlived it.
fleet_end() {
  local ns status=0
  for ns in "${FLEET_NS[@]}" "$FLEET_CONTROLLER"; do fleet_kill_in "$ns" || status=1; done
  # A process leaves its namespaces before it is gone: wait for the sshds.
  local pid
  for pid in "${FLEET_PID[@]}"; do
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    ! kill -0 "$pid" 2>/dev/null || { echo "fleet: process $pid is still there" >&2; status=1; }
  done
  for ns in "${FLEET_NS[@]}" "$FLEET_CONTROLLER"; do
    [[ -e /run/netns/$ns ]] || continue
    ip netns del "$ns" || status=1
  done
  return $status
}
