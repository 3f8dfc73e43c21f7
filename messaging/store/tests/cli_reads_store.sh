#!/bin/sh
# The Debian sqlite3 tool reads a database that the Windows build wrote under Wine: the schema and
# a Japanese row, as UTF-8. usage: cli_reads_store.sh <runner> <WriteSampleStore.exe> <work folder>
set -eu
runner=$1 program=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
"$runner" "$program" "Z:$(printf '%s' "$work" | tr / '\\')" >/dev/null
db="$work/Log/tester/vyrntalk.cdb"
schema=$(sqlite3 -readonly "$db" .schema)
for want in "CREATE TABLE vyrnuser" "CREATE TABLE vyrnmsg" "CREATE TABLE vyrnattach" AUTOINCREMENT; do
  case $schema in *"$want"*) ;; *) echo "schema lacks '$want':"; echo "$schema"; exit 1;; esac
done
row=$(sqlite3 -readonly "$db" "SELECT u.CommID, u.CommName, m.SndRcv, m.Date, m.Msg, typeof(m.Msg)
  FROM vyrnmsg m JOIN vyrnuser u ON u.CommID = m.CommID")
expected="yamada|山田|1|2027-03-15 12:34:56|こんにちは|text"
if [ "$row" != "$expected" ]; then
  echo "row:      $row"; echo "expected: $expected"; exit 1
fi
[ "$(sqlite3 -readonly "$db" 'PRAGMA integrity_check')" = ok ]
rm -rf "$work"
echo "sqlite3 read the store written under Wine"
