#!/usr/bin/env python3
"""Writes a message database for the history benchmark with Python's sqlite3, on the store's
schema (messaging/store/MsgStore.cpp): <install>/Log/tester/vyrntalk.cdb with `partners`
partners and `messages` messages, one a minute, texts in code page 932 stored as the store keeps
them (UTF-8).

usage: make_history_db.py INSTALL_FOLDER [messages] [partners]
"""
import os
import sqlite3
import sys
from datetime import datetime, timedelta

SCHEMA = [
    "CREATE TABLE vyrnuser (CommID TEXT NOT NULL COLLATE NOCASE PRIMARY KEY, CommName TEXT, Memo TEXT, Time TEXT)",
    "CREATE TABLE vyrnmsg (SeqNo INTEGER PRIMARY KEY AUTOINCREMENT, SndRcv INTEGER NOT NULL DEFAULT 0,"
    " CommID TEXT COLLATE NOCASE, Date TEXT, Msg TEXT, AttachType INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX vyrnmsg_CommID_Date ON vyrnmsg (CommID, Date)",
    "CREATE INDEX vyrnmsg_Date ON vyrnmsg (Date)",
    "CREATE TABLE vyrnattach (SeqNo INTEGER NOT NULL PRIMARY KEY, Attach TEXT)",
]


def main():
    install = sys.argv[1]
    messages = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    partners = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
    folder = os.path.join(install, "Log", "tester")
    os.makedirs(os.path.join(folder, "Attach"), exist_ok=True)
    path = os.path.join(folder, "vyrntalk.cdb")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    for statement in SCHEMA:
        db.execute(statement)
    start = datetime(2026, 1, 1)
    db.executemany("INSERT INTO vyrnuser VALUES (?, ?, ?, ?)",
                   [("P%015d" % i, "相手%d" % i, "メモ" if i % 7 == 0 else "",
                     (start + timedelta(minutes=i)).strftime("%Y-%m-%d %H:%M:%S")) for i in range(partners)])
    db.executemany("INSERT INTO vyrnmsg (SndRcv, CommID, Date, Msg, AttachType) VALUES (?, ?, ?, ?, ?)",
                   [(i % 2, "P%015d" % (i % partners), (start + timedelta(minutes=i)).strftime("%Y-%m-%d %H:%M:%S"),
                     "メッセージ %d http://example.jp/%d" % (i, i), (0, 0, 1, 4)[i % 4]) for i in range(messages)])
    db.commit()
    db.close()
    print(path)


if __name__ == "__main__":
    main()
