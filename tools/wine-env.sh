# Sets up the current shell to run the Windows build under Wine as the end-to-end tests do:
#   . tools/wine-env.sh build/win      then e.g.   (cd build/win/dist && wine pelterine.exe)
# The prefix is the build's own (created by the first end-to-end run); a running test session locks it.
if [ -z "$1" ] || [ ! -d "$1" ]; then
    echo "usage: . tools/wine-env.sh <windows build folder>" >&2
    return 1 2>/dev/null || exit 1
fi
export WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -d "$WINEPREFIX" ] || echo "note: $WINEPREFIX does not exist yet; the first wine command creates it (about 15 s)" >&2
