#!/bin/sh
# Builds ply_example.dll with MinGW-w64 (Debian: apt-get install gcc-mingw-w64-x86-64): sh build.sh
# Then copy ply_example.dll into Pelterine's plugins\ folder, choose it in "Plugins..." and load cube.ply.
set -e
cd "$(dirname "$0")"
x86_64-w64-mingw32-gcc -std=c99 -O2 -Wall -Wextra -shared -DPELTERINE_PLUGIN_BUILD -I.. \
    -o ply_example.dll ply_example.c ../sk_mesh.c ply_example.def -lopengl32 -static-libgcc
echo "built $(pwd)/ply_example.dll"
