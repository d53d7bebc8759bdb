#!/bin/sh
# Installs everything the builds and tests need on a fresh Debian 12 (as root).
set -e
if [ "$(id -u)" != 0 ]; then
    echo "install-deps.sh: run as root" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --add-architecture i386

# A mirror in the middle of a sync serves lists that fail their checksums;
# a later try usually gets whole ones. Lists from an earlier run still serve
# when every try fails, and the install below says whether they were enough.
update_package_lists() {
    log=$(mktemp)
    for attempt in 1 2 3 4 5; do
        apt-get update -q -o Acquire::Retries=3 2>&1 | tee "$log"
        grep -q '^E: ' "$log" || { rm -f "$log"; return 0; }
        echo "install-deps.sh: apt-get update failed (try $attempt of 5)" >&2
        [ "$attempt" = 5 ] || sleep $((attempt * 10))
    done
    take_unverified_lists "$log"
    rm -f "$log"
    echo "install-deps.sh: going on with the package lists at hand" >&2
}

# A mirror stuck in a sync can serve a whole index that is merely older or
# newer than its signed release file. Without it, a fresh machine knows no
# i386 security updates and cannot pair i386 libraries with their amd64
# twins, so such an index is taken as served, once it decompresses whole.
take_unverified_lists() {
    sed -n 's/^E: Failed to fetch \(http[^ ]*\.xz\)  File has unexpected size.*/\1/p;
            s/^E: Failed to fetch \(http[^ ]*\.xz\)  Hash Sum mismatch.*/\1/p' "$1" | sort -u |
    while read -r url; do
        list=/var/lib/apt/lists/$(echo "${url#http://}" | sed 's/\.xz$//; s|/|_|g')
        fetched=$(mktemp)
        if /usr/lib/apt/apt-helper download-file "$url" "$fetched" >/dev/null 2>&1 &&
            xz -dc "$fetched" > "$list.zv" 2>/dev/null; then
            mv "$list.zv" "$list"
            echo "install-deps.sh: WARNING: $url taken unverified: it does not match the mirror's signed release file" >&2
        else
            rm -f "$list.zv"
        fi
        rm -f "$fetched"
    done
}

# i386 and amd64 builds of a Multi-Arch: same package must be one version.
# When the i386 list lags behind the amd64 one, each twin named in apt's
# refusal is asked for at the newest version both lists hold.
twins_at_common_versions() {
    sed -n '/unmet dependencies/,$p' "$1" |
        grep -o '\(Depends\|Breaks\): [a-z0-9][a-z0-9.+-]*\(:i386\)\? ' | sed 's/^[A-Za-z]*: //; s/:i386 $//; s/ $//' |
        sort -u |
    while read -r name; do
        common=$( (apt-cache madison "$name" | awk -F'|' '{gsub(/ /, "", $2); print $2}' | sort -u
                   apt-cache madison "$name:i386" | awk -F'|' '{gsub(/ /, "", $2); print $2}' | sort -u) |
                 sort | uniq -d | sort -V | tail -n 1)
        [ -n "$common" ] && echo "$name=$common $name:i386=$common"
    done
}

install_packages() {
    log=$(mktemp)
    twins=
    for attempt in 1 2 3; do
        # shellcheck disable=SC2086
        apt-get install -y -q --no-install-recommends --allow-downgrades -o Acquire::Retries=3 "$@" $twins 2>&1 |
            tee "$log"
        if ! grep -q '^E: ' "$log"; then
            rm -f "$log"
            return 0
        fi
        echo "install-deps.sh: apt-get install failed (try $attempt of 3)" >&2
        [ "$attempt" = 3 ] && { rm -f "$log"; return 1; }
        twins=$(twins_at_common_versions "$log" | tr '\n' ' ')
        [ -n "$twins" ] && echo "install-deps.sh: pairing i386 and amd64 builds: $twins" >&2
        sleep $((attempt * 20))
        apt-get update -q -o Acquire::Retries=3 || true
    done
}

update_package_lists
install_packages \
    cmake ninja-build make g++ g++-multilib clang libclang-rt-14-dev \
    g++-mingw-w64-i686 binutils-mingw-w64-i686 \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    wine wine32:i386 wine64 xvfb xauth x11-utils fonts-ipafont-gothic imagemagick \
    googletest libgtest-dev:i386 libbenchmark-dev:i386 libgtest-dev libbenchmark-dev \
    libjpeg62-turbo-dev:i386 libgif-dev:i386 libjpeg62-turbo-dev libgif-dev \
    libjpeg-turbo-progs giflib-tools ccache \
    nkf manpages-ja python3 locales libmsiecf-utils \
    libz-mingw-w64-dev libpng-dev:i386 libpng-dev chromium \
    libbrotli-dev libzstd-dev libbrotli-dev:i386 libzstd-dev:i386 pkg-config dpkg-dev brotli zstd \
    nettle-dev nettle-dev:i386
# Node.js and npm run the WARC tests' reader. A machine that already has a
# Node.js of its own (whose package conflicts with Debian's npm) keeps it.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    install_packages nodejs npm
fi
# Wine maps Windows file names to Unix ones through the Unix locale: without
# ja_JP.UTF-8 generated, Japanese file names cannot be created.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
