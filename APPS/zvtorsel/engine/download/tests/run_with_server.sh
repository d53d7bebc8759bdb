#!/bin/sh
# Runs a command with the downloader's loopback HTTP server beside it:
# ZV_HTTP_PORT tells the command the port. The server ends with the command.
here=$(dirname "$0")
portfile=$(mktemp)
rm -f "$portfile"
python3 "$here/loopback_server.py" "$portfile" &
server=$!
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
"$@"
result=$?
kill $server 2>/dev/null
wait $server 2>/dev/null
exit $result
