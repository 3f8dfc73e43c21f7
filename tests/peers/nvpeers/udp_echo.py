"""UDP peer that sends every datagram back to its sender; a datagram beginning with b"twice:" is
also answered from a second socket (a second sender with a port of its own)."""

import socket

from .base import UdpPeer


class UdpEchoPeer(UdpPeer):
    name = "udp_echo"

    def open_listeners(self):
        super().open_listeners()
        self.second = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.second.bind((self.host, 0))

    def stop(self):
        super().stop()
        self.second.close()

    def handle_datagram(self, data, address, sock):
        self.record("udp-data", data_hex=data.hex(), client_port=address[1])
        sock.sendto(data, address)
        if data.startswith(b"twice:"):
            self.second.sendto(b"second:" + data[6:], address)


PEER = UdpEchoPeer
