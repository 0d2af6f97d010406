"""A small DevTools protocol client over a websocket of our own (standard
library only): enough to navigate, evaluate and take a screenshot."""
import base64
import json
import os
import socket
import struct
import urllib.parse


class DevTools:
    def __init__(self, ws_url, timeout=30):
        url = urllib.parse.urlparse(ws_url)
        self.sock = socket.create_connection((url.hostname, url.port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {url.path} HTTP/1.1\r\nHost: {url.hostname}:{url.port}\r\n"
                           "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                           f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(1)
            if not chunk:
                raise ConnectionError("the DevTools endpoint closed during the handshake")
            head += chunk
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise ConnectionError(head.decode(errors="replace"))
        self.next_id = 0
        self.events = []

    def _exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError("the DevTools connection closed")
            data += chunk
        return data

    def _send_text(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        head = bytes([0x81])
        n = len(payload)
        if n < 126:
            head += bytes([0x80 | n])
        elif n < 65536:
            head += bytes([0x80 | 126]) + struct.pack(">H", n)
        else:
            head += bytes([0x80 | 127]) + struct.pack(">Q", n)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(head + mask + masked)

    def _receive_text(self):
        message = b""
        while True:
            b0, b1 = self._exact(2)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._exact(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._exact(8))[0]
            payload = self._exact(n)
            opcode = b0 & 0x0F
            if opcode == 8:
                raise ConnectionError("the DevTools connection closed")
            if opcode in (0, 1):
                message += payload
                if b0 & 0x80:
                    return message.decode()

    def send(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        self._send_text(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            reply = json.loads(self._receive_text())
            if reply.get("id") == my_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def evaluate(self, expression, await_promise=True):
        result = self.send("Runtime.evaluate", expression=expression, awaitPromise=await_promise,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(json.dumps(result["exceptionDetails"])[:2000])
        return result["result"].get("value")

    def close(self):
        self.sock.close()
