#!/usr/bin/env bash
# Runs COMMAND... against a private, throw-away PostgreSQL server.
#
#   tests/pg/with-server.sh COMMAND [ARG...]
#
# Creates a cluster in a temporary folder, starts it on a free port of 127.0.0.1 only (its
# unix socket stays in that folder), creates a test role with a password and a database
# owned by it, and runs COMMAND with
#   VELMORA_PG_CONN  "Provider=PostgreSQL;Data Source=127.0.0.1:PORT;User ID=...;Password=...;Initial Catalog=..."
#   VELMORA_PG_CTL   a pg_ctl that runs as the cluster's owner and logs to the cluster's log
#   VELMORA_PG_DATA  the cluster's data folder (for "$VELMORA_PG_CTL" -D "$VELMORA_PG_DATA" -w restart)
# The server is stopped and the folder removed when this script ends, however it ends.
# Exits with COMMAND's status (1 when the server could not be started).
#
# Names and the password are lower case: the connection pool lower-cases connection strings.
# VELMORA_PG_BIN overrides the folder of the server's programs.
set -euo pipefail

if (($# == 0)); then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi

log() { printf '== pg: %s\n' "$*" >&2; }

find_bin() {
    if [[ -n "${VELMORA_PG_BIN:-}" ]]; then
        echo "$VELMORA_PG_BIN"
        return
    fi
    local newest
    newest=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    echo "${newest:-/usr/lib/postgresql/15/bin}"
}

PGBIN=$(find_bin)
for tool in initdb pg_ctl psql; do
    if [[ ! -x "$PGBIN/$tool" ]]; then
        log "no $tool in $PGBIN (install postgresql, or set VELMORA_PG_BIN)"
        exit 1
    fi
done

# initdb and the server refuse to run as root: run them as the postgres account then.
OWNER=""
if [[ $(id -u) -eq 0 ]]; then
    OWNER=postgres
    if ! id "$OWNER" >/dev/null 2>&1; then
        log "running as root, but there is no '$OWNER' account to own the cluster"
        exit 1
    fi
fi

as_owner() {
    if [[ -z "$OWNER" ]]; then
        "$@"
    elif command -v runuser >/dev/null 2>&1; then
        runuser -u "$OWNER" -- "$@"
    else
        su -s /bin/sh "$OWNER" -c "$(printf '%q ' "$@")"
    fi
}

TMP=$(mktemp -d "${TMPDIR:-/tmp}/velmora-pg.XXXXXX")
DATA="$TMP/data"
SERVER_LOG="$TMP/server.log"
CTL_LOG="$TMP/pg_ctl.log"
touch "$SERVER_LOG" "$CTL_LOG"
[[ -z "$OWNER" ]] || chown "$OWNER": "$TMP" "$SERVER_LOG" "$CTL_LOG"
chmod 0755 "$TMP"

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [[ -f "$DATA/postmaster.pid" ]]; then
        as_owner "$PGBIN/pg_ctl" -D "$DATA" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
    fi
    rm -rf "$TMP"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The pg_ctl a test uses to restart the server: as the owner, output to the cluster's log
# (never to the caller's streams, which a test runner waits on).
PG_CTL="$TMP/pg_ctl"
cat >"$PG_CTL" <<EOF
#!/bin/sh
if [ "\$(id -u)" -eq 0 ] && [ -n "$OWNER" ]; then
    exec runuser -u "$OWNER" -- "$PGBIN/pg_ctl" -l "$SERVER_LOG" "\$@" </dev/null >>"$CTL_LOG" 2>&1
fi
exec "$PGBIN/pg_ctl" -l "$SERVER_LOG" "\$@" </dev/null >>"$CTL_LOG" 2>&1
EOF
chmod 0755 "$PG_CTL"

if ! as_owner "$PGBIN/initdb" -D "$DATA" -U postgres -E UTF8 --locale=C.UTF-8 --no-sync \
        --auth-local=trust --auth-host=scram-sha-256 >"$TMP/initdb.log" 2>&1; then
    log "initdb failed:"
    cat "$TMP/initdb.log" >&2
    exit 1
fi

# A port nobody listens on; the start is retried on another one should it be taken meanwhile.
port_is_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
pick_port() {
    local p
    for _ in $(seq 1 50); do
        p=$((20000 + RANDOM % 40000))
        if port_is_free "$p"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

PORT=""
for attempt in 1 2 3 4 5; do
    candidate=$(pick_port) || break
    # Settings go into the configuration file so that a restart keeps them. Durability is
    # not wanted from a cluster that lives for one test run.
    cat >"$DATA/postgresql.auto.conf" <<EOF
listen_addresses = '127.0.0.1'
port = $candidate
unix_socket_directories = '$TMP'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 200
EOF
    [[ -z "$OWNER" ]] || chown "$OWNER": "$DATA/postgresql.auto.conf"
    if "$PG_CTL" -D "$DATA" -w -t 60 start; then
        PORT=$candidate
        break
    fi
    log "start on port $candidate failed (attempt $attempt)"
done
if [[ -z "$PORT" ]]; then
    log "the server did not start; its log:"
    cat "$CTL_LOG" "$SERVER_LOG" >&2 || true
    exit 1
fi

ROLE=velmora_test
DATABASE=velmora_test
PASSWORD="pw$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"

# CREATEROLE: tests give each process a role (and with it a schema) of its own.
as_owner "$PGBIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$TMP" -p "$PORT" -U postgres -d postgres <<EOF
CREATE ROLE $ROLE LOGIN CREATEROLE PASSWORD '$PASSWORD';
CREATE DATABASE $DATABASE OWNER $ROLE;
EOF

export VELMORA_PG_CONN="Provider=PostgreSQL;Data Source=127.0.0.1:$PORT;User ID=$ROLE;Password=$PASSWORD;Initial Catalog=$DATABASE"
export VELMORA_PG_CTL="$PG_CTL"
export VELMORA_PG_DATA="$DATA"
log "server on 127.0.0.1:$PORT (data in $DATA)"

set +e
"$@"
status=$?
set -e
exit "$status"
