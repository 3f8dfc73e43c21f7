"""The socket library's UDP traffic logs, written by a Windows program under Wine and read back
with Python's csv module."""

import csv
import re

import pytest

from nvpeers.udp_echo import UdpEchoPeer


def expected_text(datagram):
    """The log's text field, computed from the line format independently of the C++ code."""
    if len(datagram) < 34:
        return " "
    text = datagram[:32].split(b"\0", 1)[0]
    return text.translate(bytes.maketrans(b"\r\n,", b"   ")).decode("latin-1")


DATAGRAMS = [
    b"abc".ljust(40, b"\0"),
    b"short",
    b"a,b\r\nc".ljust(50, b"z"),
    b"q" * 34,
    b"\x83\x5c\x82\xa0 text after CP932 bytes, and more",
]


@pytest.fixture
def udp_echo(tmp_path):
    with UdpEchoPeer(log_path=str(tmp_path / "udp_echo.log"), lifetime=120) as peer:
        yield peer


def read_rows(path):
    with open(path, newline="", encoding="latin-1") as f:
        return list(csv.reader(f))


def test_each_datagram_is_one_csv_row_in_both_logs(run_windows, udp_echo, tmp_path):
    folder = tmp_path / "temp"
    folder.mkdir()
    (folder / "UDP_SEND_LOG.CSV").write_bytes(b"EARLIER,LINE\r\n")  # appended to, never truncated
    windows_folder = "Z:" + str(folder).replace("/", "\\")  # Wine maps / to drive Z:
    result = run_windows("net_udp_log_probe.exe", windows_folder + "\\", str(udp_echo.port),
                         *[d.hex() for d in DATAGRAMS])
    assert result.returncode == 0, result.stdout + result.stderr

    sent = read_rows(folder / "UDP_SEND_LOG.CSV")
    received = read_rows(folder / "UDP_RECV_LOG.CSV")
    assert sent[0] == ["EARLIER", "LINE"]
    sent = sent[1:]
    assert len(sent) == len(DATAGRAMS) and len(received) == len(DATAGRAMS)
    time = re.compile(r"^(0[1-9]|[12][0-9]|3[01]):([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$")
    for datagram, send_row, recv_row in zip(DATAGRAMS, sent, received):
        text = "LOG " + expected_text(datagram)
        assert send_row[0] == "SEND" and time.match(send_row[1]) and send_row[2:] == [text, ""], send_row
        assert recv_row[0] == "RECV" and time.match(recv_row[1]) and recv_row[2:] == [text], recv_row
    raw = (folder / "UDP_RECV_LOG.CSV").read_bytes()
    assert raw.count(b"\r\n") == len(DATAGRAMS) and raw.endswith(b"\r\n")
