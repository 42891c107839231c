#!/bin/sh
# Installs, with apt-get, what cross-building and testing the Windows programs needs: the
# MinGW-w64 compilers (posix threads, for std::jthread), Wine to run the results, NSIS and
# icoutils for the setup program and the icon, dpkg-dev to unpack Qt's source, and GoogleTest's
# source to build for Windows, and the host's Qt, whose moc, rcc and uic the Windows Qt build
# uses. The Linux build never needs the others.
set -eu

exec "$(dirname "$0")/install-deps.sh" \
    g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix \
    binutils-mingw-w64-x86-64 \
    mingw-w64-x86-64-dev \
    wine \
    wine64 \
    nsis \
    icoutils \
    dpkg-dev \
    xvfb \
    xauth \
    fonts-liberation2 \
    googletest \
    qt6-base-dev \
    qt6-base-private-dev
