"""A minimal session-bus client for timing round trips to a program's main thread,
without starting a process per call (which on a loaded machine costs more than the
100 ms being measured).

It speaks just enough of the D-Bus wire protocol: EXTERNAL authentication, Hello,
and method calls with the few argument types below; everything else that arrives
(signals, other replies) is read and dropped. Python 3 standard library only.
"""
import os
import socket
import struct
import time


def _pad(offset, alignment):
    return (-offset) % alignment


class _Writer:
    def __init__(self, start=0):
        self.data = bytearray()
        self.start = start

    def align(self, alignment):
        self.data += b"\0" * _pad(self.start + len(self.data), alignment)

    def uint32(self, value):
        self.align(4)
        self.data += struct.pack("<I", value)

    def string(self, text, kind="s"):
        raw = text.encode()
        if kind == "g":
            self.data += bytes([len(raw)]) + raw + b"\0"
        else:
            self.uint32(len(raw))
            self.data += raw + b"\0"

    def empty_array(self, element_alignment):
        self.uint32(0)
        self.align(element_alignment)


class BusClient:
    """One connection to a bus at a unix socket address."""

    def __init__(self, address, timeout=5.0):
        path = None
        for part in address.split(";")[0].split(":", 1)[1].split(","):
            key, _, value = part.partition("=")
            if key == "path":
                path = value
        if path is None:
            raise ValueError(f"only unix:path= addresses are supported, not {address}")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout)
        self.sock.connect(path)
        self.buffer = b""
        self.serial = 0
        self.sock.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() +
                          b"\r\n")
        line = self._read_line()
        if not line.startswith(b"OK "):
            raise ConnectionError(f"the bus refused us: {line!r}")
        self.sock.sendall(b"BEGIN\r\n")
        self.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                  "Hello")

    def close(self):
        self.sock.close()

    def _read_line(self):
        while b"\r\n" not in self.buffer:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("the bus closed the connection")
            self.buffer += chunk
        line, _, self.buffer = self.buffer.partition(b"\r\n")
        return line

    def _read_exactly(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the bus closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def _read_message(self):
        """(type, reply serial or None, error name or None) of the next message."""
        fixed = self._read_exactly(16)
        if fixed[0:1] != b"l":
            raise ConnectionError("big-endian messages are not expected here")
        kind = fixed[1]
        body_length, _, fields_length = struct.unpack("<III", fixed[4:16])
        fields = self._read_exactly(fields_length + _pad(16 + fields_length, 8))
        self._read_exactly(body_length)
        return (kind,) + self._reply_fields(fields[:fields_length])

    @staticmethod
    def _reply_fields(fields):
        """The reply serial and the error name among the header fields."""
        offset = 0
        serial, error = None, None
        while offset < len(fields):
            offset += _pad(16 + offset, 8)
            code = fields[offset]
            signature_length = fields[offset + 1]
            signature = fields[offset + 2:offset + 2 + signature_length].decode()
            offset += 3 + signature_length
            if signature in ("s", "o"):
                offset += _pad(16 + offset, 4)
                (length,) = struct.unpack_from("<I", fields, offset)
                if code == 4:
                    error = fields[offset + 4:offset + 4 + length].decode()
                offset += 4 + length + 1
            elif signature == "g":
                offset += 1 + fields[offset] + 1
            elif signature == "u":
                offset += _pad(16 + offset, 4)
                (value,) = struct.unpack_from("<I", fields, offset)
                offset += 4
                if code == 5:
                    serial = value
            else:
                break
        return serial, error

    def call(self, destination, path, interface, member, body_signature="", body=b""):
        """Sends a method call and waits for its answer; returns (seconds, error name or
        None)."""
        self.serial += 1
        fields = _Writer(start=16)
        for code, kind, value in ((1, "o", path), (2, "s", interface), (3, "s", member),
                                  (6, "s", destination)) + \
                ((((8, "g", body_signature),)) if body_signature else ()):
            fields.align(8)
            fields.data += bytes([code])
            fields.string(kind, "g")
            fields.string(value, kind)
        header = struct.pack("<cBBBIII", b"l", 1, 0, 1, len(body), self.serial,
                             len(fields.data))
        message = header + bytes(fields.data)
        message += b"\0" * _pad(len(message), 8) + body
        started = time.monotonic()
        self.sock.sendall(message)
        while True:
            kind, reply_to, error = self._read_message()
            if reply_to == self.serial and kind in (2, 3):
                return time.monotonic() - started, error

    def activate_action(self, destination, path):
        """org.freedesktop.Application.ActivateAction("ping", [], {}): answered (with
        an error, since our programs have no actions) by the program's main thread."""
        body = _Writer()
        body.string("ping")
        body.empty_array(1)     # av
        body.empty_array(8)     # a{sv}
        return self.call(destination, path, "org.freedesktop.Application", "ActivateAction",
                         "sava{sv}", bytes(body.data))
