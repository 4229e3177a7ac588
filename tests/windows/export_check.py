#!/usr/bin/env python3
"""The command-line export under Wine with a Chinese system code page.

Writes station texts that GBK holds and some it cannot hold into a station
file made by stationsim, runs `hxReport.exe --export production` and `--export
log` under Wine, and reads the files back as a spreadsheet on a Chinese
Windows would: every line ends in CR LF, the bytes decode as GBK, and each
field reads back as the station stored it, a character outside GBK as its
code point <U+XXXX>. Exits 1 on the first difference.

usage: export_check.py WINE HXREPORT_EXE STATION_DIR OUT_DIR
"""
import csv
import io
import os
import sqlite3
import subprocess
import sys

wine, exe, station, out = sys.argv[1:5]
models = ["型号甲", "轮毂B2", "A\U0001F600B", "\U00020000型", "=1+1", "含,逗号"]
messages = ["温度报警：超过上限", "相机掉线\U0001F4F7", "普通信息"]

db = sqlite3.connect(os.path.join(station, "wheelhubwf.db"))
for i, model in enumerate(models):
    db.execute(
        "insert into wftable(time, model, correlate, detecttime, diameter, hight) values (?, ?, 0.5, '1.25', 500, 200)",
        ("2030-01-01 08:00:%02d" % i, model))
for i, message in enumerate(messages):
    db.execute("insert into warningtable(time, message, class) values (?, ?, '1')",
               ("2030-01-01 08:00:%02d" % i, message))
db.commit()
db.close()


def shown(text):
    """The text as the file must hold it: GBK's characters, the rest as code points."""
    result = ""
    for ch in text:
        try:
            ch.encode("gbk")
            result += ch
        except UnicodeEncodeError:
            result += "<U+%04X>" % ord(ch)
    return result


def guarded(text):
    """A spreadsheet must not take a station text for a formula."""
    return "'" + text if text[:1] in "=+-@" else text


def export(kind, name):
    path = os.path.join(out, name)
    env = dict(os.environ, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8")
    run = subprocess.run([wine, exe, "--export", kind, "--dir", station, "--from", "2030-01-01 00:00:00",
                          "--to", "2030-01-02 00:00:00", "--out", "Z:" + path.replace("/", "\\")],
                         env=env, capture_output=True)
    if run.returncode != 0:
        sys.exit("export %s failed (%d): %s" % (kind, run.returncode, run.stderr.decode("utf-8", "replace")))
    data = open(path, "rb").read()
    lines = data.split(b"\n")[:-1]
    bad = [n for n, line in enumerate(lines) if not line.endswith(b"\r") or b"\r" in line[:-1]]
    if not data.endswith(b"\r\n") or bad:
        sys.exit("%s: lines without CR LF: %s" % (name, bad[:5]))
    text = data.decode("gbk")  # strict: any byte that is not GBK fails
    return list(csv.reader(io.StringIO(text.replace("\r\n", "\n"))))


rows = export("production", "production.csv")
got = [row[2] for row in rows if len(row) > 2 and row[1].startswith("2030-01-01")]
want = [guarded(shown(m)) for m in models]
if got != want:
    sys.exit("production models differ:\n got  %r\n want %r" % (got, want))
if rows[1][:3] != ["序号", "时间", "匹配型号"]:
    sys.exit("production header differs: %r" % rows[1])

rows = export("log", "log.csv")
got = sorted(row[2] for row in rows if len(row) > 2 and row[1].startswith("2030-01-01"))
want = sorted(shown(m) for m in messages)
if got != want:
    sys.exit("log messages differ:\n got  %r\n want %r" % (got, want))
print("GBK export check: %d production and %d log fields read back as stored, CR LF on every line"
      % (len(models), len(messages)))
