#!/bin/sh
# Puts the SQLite amalgamation (sqlite3.c, sqlite3.h) into a cache folder outside the tracked
# files, for the message database. The source is the unmodified upstream autoconf tarball that
# the npm package sqlite3@6.0.1 carries in deps/; both the npm package (its sha512 integrity) and
# the inner tarball (its sha256) are checked, so a changed package never gets compiled in.
# Idempotent: returns at once when the checked files are already in place.
# usage: fetch-sqlite.sh [cache-folder]   (default: build/third_party under the source root)
set -eu

VERSION=3.52.0
NPM_PACKAGE=sqlite3@6.0.1
TARBALL=sqlite-autoconf-3520000.tar.gz
TARBALL_SHA256=f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f
NPM_INTEGRITY=sha512-X0czUUMG2tmSqJpEQa3tCuZSHKIx8PwM53vLZzKp/o6Rpy25fiVfjdbnZ988M8+O3ZWR1ih0K255VumCb3MAnQ==

root=$(cd "$(dirname "$0")/.." && pwd)
cache=${1:-"$root/build/third_party"}
dest="$cache/sqlite-$VERSION"
stamp="$dest/.verified"

[ -f "$stamp" ] && [ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ] && exit 0

for tool in npm node; do
  command -v "$tool" >/dev/null || { echo "fetch-sqlite: $tool is needed (the nodejs package)" >&2; exit 1; }
done
mkdir -p "$cache"
# Two configures (win32 and native) may run at once: one fetches, the other waits.
exec 9>"$cache/.sqlite.lock"
flock 9
[ -f "$stamp" ] && [ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ] && exit 0

work=$(mktemp -d "$cache/.sqlite-fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$NPM_PACKAGE" >/dev/null)
integrity="sha512-$(node -e 'process.stdout.write(require("crypto").createHash("sha512").update(require("fs").readFileSync(process.argv[1])).digest("base64"))' "$work"/sqlite3-*.tgz)"
if [ "$integrity" != "$NPM_INTEGRITY" ]; then
  echo "fetch-sqlite: $NPM_PACKAGE has integrity $integrity, expected $NPM_INTEGRITY" >&2
  exit 1
fi
tar --no-same-owner -xzf "$work"/sqlite3-*.tgz -C "$work" "package/deps/$TARBALL"
actual=$(sha256sum "$work/package/deps/$TARBALL" | cut -d' ' -f1)
if [ "$actual" != "$TARBALL_SHA256" ]; then
  echo "fetch-sqlite: $TARBALL has sha256 $actual, expected $TARBALL_SHA256" >&2
  exit 1
fi
tar --no-same-owner -xzf "$work/package/deps/$TARBALL" -C "$work" \
  sqlite-autoconf-3520000/sqlite3.c sqlite-autoconf-3520000/sqlite3.h
grep -q "#define SQLITE_VERSION *\"$VERSION\"" "$work/sqlite-autoconf-3520000/sqlite3.h" || {
  echo "fetch-sqlite: sqlite3.h is not version $VERSION" >&2; exit 1; }
rm -rf "$dest"
mkdir -p "$dest"
mv "$work/sqlite-autoconf-3520000/sqlite3.c" "$work/sqlite-autoconf-3520000/sqlite3.h" "$dest/"
echo "$VERSION $TARBALL_SHA256" > "$stamp"
