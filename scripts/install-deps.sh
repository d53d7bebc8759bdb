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
    for attempt in 1 2 3 4 5; do
        apt-get update -q -o Acquire::Retries=3 && return 0
        echo "install-deps.sh: apt-get update failed (try $attempt of 5)" >&2
        [ "$attempt" = 5 ] || sleep $((attempt * 10))
    done
    echo "install-deps.sh: going on with the package lists at hand" >&2
}

install_packages() {
    for attempt in 1 2 3; do
        apt-get install -y -q --no-install-recommends -o Acquire::Retries=3 "$@" && return 0
        echo "install-deps.sh: apt-get install failed (try $attempt of 3)" >&2
        [ "$attempt" = 3 ] && return 1
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
