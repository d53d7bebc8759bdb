#!/bin/sh
# Runs a command with the downloader's loopback HTTP server beside it:
# ZV_HTTP_PORT tells the command the port. The server ends with the command.
here=$(dirname "$0")
portfile=$(mktemp)
rm -f "$portfile"
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" "$here/loopback_server.py" "$portfile" &
server=$!
command=
# The server (and the command) go with this script, also when a time limit ends it.
trap 'kill $server $command 2>/dev/null' EXIT
trap 'exit 143' INT TERM
tries=0
while [ ! -s "$portfile" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
if [ ! -s "$portfile" ]; then
    kill $server 2>/dev/null
    echo "loopback server did not start" >&2
    exit 1
fi
ZV_HTTP_PORT=$(cat "$portfile")
export ZV_HTTP_PORT
rm -f "$portfile"
"$@" &
command=$!
wait $command
result=$?
command=
exit $result
