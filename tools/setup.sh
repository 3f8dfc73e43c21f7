#!/bin/sh
# Installs what the build and the tests need on Debian 12. Idempotent: quick when all is there.
set -eu
export DEBIAN_FRONTEND=noninteractive

need=""
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in wine wine64 wine32:i386 g++-mingw-w64-i686 g++-mingw-w64-x86-64 xvfb xauth imagemagick x11-utils sqlite3 \
         fonts-ipafont-gothic fonts-wine sox lhasa jlha-utils locales cmake ninja-build \
         googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev llvm-14 \
         python3 python3-pytest ngircd tinyproxy openssl \
         tshark; do
  have "$p" || need="$need $p"
done

if [ -n "$need" ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  # ngircd's package starts a system instance on install; keep it from starting.
  printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d; chmod +x /usr/sbin/policy-rc.d
  apt-get install -y -qq --no-install-recommends $need
  rm -f /usr/sbin/policy-rc.d
fi

# Wine takes the ANSI code page from LANG's name, but Japanese file names need the locale itself.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# The SQLite amalgamation of the message database (pinned, checksum-checked, never committed).
sh "$(dirname "$0")/fetch-sqlite.sh"
