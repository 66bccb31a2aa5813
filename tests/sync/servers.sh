# Sourced by the tests that need a real CalDAV server on loopback.
PYTHON=/usr/bin/python3 # Debian's, which has Radicale and the CalDAV modules
peer=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/peer.py

# A free TCP port on loopback.
free_port() {
    "$PYTHON" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Starts Radicale in FOLDER (store, configuration, server.log) on PORT, with one user NAME and
# PASSWORD and log level LEVEL; its process id lands in server_pid.
start_radicale() {
    local folder=$1 port=$2 name=$3 password=$4 level=$5
    printf '%s:%s\n' "$name" "$password" >"$folder/users"
    cat >"$folder/radicale.conf" <<CONF
[server]
hosts = 127.0.0.1:$port
[auth]
type = htpasswd
htpasswd_filename = $folder/users
htpasswd_encryption = plain
[storage]
filesystem_folder = $folder/store
[logging]
level = $level
CONF
    "$PYTHON" -m radicale --config "$folder/radicale.conf" >>"$folder/server.log" 2>&1 &
    server_pid=$!
}

# Waits until something listens on PORT, up to a minute: a server's start on a loaded machine
# can take many seconds. False when nothing ever does.
wait_for_port() {
    local i
    for ((i = 0; i < 600; i++)); do
        "$PYTHON" -c "import socket; socket.create_connection(('127.0.0.1', $1), 1)" 2>/dev/null &&
            return 0
        sleep 0.1
    done
    return 1
}
