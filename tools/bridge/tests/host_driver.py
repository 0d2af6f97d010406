#!/usr/bin/env python3
"""Speaks the native messaging framing to the real host program, as a
browser does, on either target (under Wine for Windows builds):

  host_driver.py [--windows] -- COMMAND...   (COMMAND starts the host)

For Windows builds COMMAND is the test runner (wine-run.sh PREFIX LOADER
PROGRAM). The runner holds a program's output until it ends, so the framed
sessions start the loader directly in the runner's prefix; the runner itself
runs -install first, which also makes the prefix."""
import http.server
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

LIMIT = 60  # seconds any one answer may take

failures = []


def check(ok, what):
    print(("  ok      " if ok else "  FAILED  ") + what, flush=True)
    if not ok:
        failures.append(what)


class Host:
    # Under Wine the host's standard error goes nowhere: Wine's background
    # programs would inherit it and hold the test's output open.
    quiet = False

    def __init__(self, command, env):
        self.events = []
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env,
                                     stderr=subprocess.DEVNULL if Host.quiet else None)

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        body = message if isinstance(message, bytes) else json.dumps(message, ensure_ascii=False).encode()
        self.send_raw(struct.pack("=I", len(body)) + body)

    def receive(self):
        result = {}

        def read():
            head = self.proc.stdout.read(4)
            if len(head) == 4:
                result["m"] = json.loads(self.proc.stdout.read(struct.unpack("=I", head)[0]))
        t = threading.Thread(target=read, daemon=True)
        t.start()
        t.join(LIMIT)
        if "m" not in result:
            raise RuntimeError("the host did not answer")
        return result["m"]

    def ask(self, message):
        self.send(message)
        return self.answer()

    def answer(self):
        """The next answer; the events pushed before it are kept in events."""
        while True:
            m = self.receive()
            if "id" in m:
                return m
            self.events.append(m)

    def end(self):
        self.proc.stdin.close()
        try:
            return self.proc.wait(LIMIT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            return None


def wine_loader(loader):
    """The Wine loader's program (wine64 lives outside PATH on Debian)."""
    for d in ("/usr/lib/wine", "/usr/lib/x86_64-linux-gnu/wine", "/opt/wine-stable/bin"):
        if loader == "wine64" and os.access(os.path.join(d, "wine64"), os.X_OK):
            return os.path.join(d, "wine64")
    return shutil.which(loader) or loader


def wine_env(env, prefix):
    return dict(env, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=d")


CALLER = "chrome-extension://kclbnimnakbiaaknaaihdfmdkphdbkbg/"


class SlowServer:
    """Serves one body of SIZE bytes: the first 64 KiB at once, then a
    kibibyte every 50 ms, so that a run is still going when the page goes."""
    SIZE = 4 * 1024 * 1024
    BODY = bytes(i * 7 % 251 for i in range(SIZE))

    def __init__(self):
        served = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Length", str(SlowServer.SIZE))
                self.end_headers()
                sent = 0
                try:
                    while sent < SlowServer.SIZE:
                        n = 65536 if sent == 0 else 1024
                        self.wfile.write(SlowServer.BODY[sent:sent + n])
                        self.wfile.flush()
                        sent += n
                        served.sent = sent
                        time.sleep(0.05)
                except OSError:
                    pass  # the client went

            def log_message(self, *args):
                pass

        self.sent = 0
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}/slow.bin"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()


def code(m):
    return m.get("error", {}).get("code")


# Commands that undo what the driver changed outside its own folder.
cleanup = []


def main():
    args = sys.argv[1:]
    windows = "--windows" in args
    command = args[args.index("--") + 1:]
    work = tempfile.mkdtemp(prefix="vard-bridge-host-")
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_DOCUMENTS_DIR=os.path.join(work, "documents"), XDG_DATA_HOME=os.path.join(work, "data"))
    os.makedirs(env["XDG_DOCUMENTS_DIR"])

    if windows:
        print("-install:")
        r = subprocess.run(command + ["-install"], capture_output=True, text=True, env=env, timeout=LIMIT)
        check(r.returncode == 0, f"-install succeeded: {r.stdout.strip()} {r.stderr.strip()}")
        runner = command[:-1]  # the same Wine prefix and loader
        for key in ("Software\\Google\\Chrome", "Software\\Chromium", "Software\\Microsoft\\Edge"):
            full = f"HKCU\\{key}\\NativeMessagingHosts\\com.vardel.kt5bridge"
            q = subprocess.run(runner + ["reg", "query", full, "/ve"], capture_output=True, text=True,
                               env=env, timeout=LIMIT)
            check("com.vardel.kt5bridge.json" in q.stdout, f"{full} names the manifest")
        full = "HKCU\\Software\\Mozilla\\NativeMessagingHosts\\com.vardel.kt5bridge"
        q = subprocess.run(runner + ["reg", "query", full, "/ve"], capture_output=True, text=True, env=env,
                           timeout=LIMIT)
        check("com.vardel.kt5bridge.firefox.json" in q.stdout, f"{full} names Firefox's manifest")
        # Pages on this machine's disks are trusted only where a site lock names them.
        r = subprocess.run(runner + ["reg", "add", "HKCU\\Software\\vardel\\VardKT5\\SiteLock", "/v", "Origins",
                                     "/d", "file:", "/f"], capture_output=True, text=True, env=env, timeout=LIMIT)
        check(r.returncode == 0, "a site lock for this machine's pages set")
        # Other tests share the prefix: the lock goes when this driver ends.
        cleanup.append((runner + ["reg", "delete", "HKCU\\Software\\vardel\\VardKT5\\SiteLock", "/f"], env))
        manifest = os.path.join(os.path.dirname(os.path.abspath(command[-1])), "com.vardel.kt5bridge.json")
        try:
            data = json.load(open(manifest, encoding="utf-8"))
            check(data["path"].lower().endswith("vardkt5-bridge.exe") and data["type"] == "stdio" and
                  data["allowed_origins"] == ["chrome-extension://kclbnimnakbiaaknaaihdfmdkphdbkbg/"],
                  f"the manifest names the program: {data['path']}")
        except (OSError, ValueError, KeyError) as e:
            check(False, f"the manifest beside the program reads: {e}")

        # Straight through to the loader, in the prefix the runner made.
        prefix, loader, program = command[1], command[2], command[3]
        env = wine_env(env, prefix)
        command = [wine_loader(loader), program]
        Host.quiet = True

    print("who may start the host:")
    # Under Wine the refusal's line is not read (see Host.quiet).
    for args, who in (([], "no caller at all"), (["chrome-extension://abcdefghijklmnopabcdefghijklmnop/"],
                                                  "another extension"),
                      ([CALLER.rstrip("/")], "an origin spelt otherwise"),
                      (["/tmp/x.json", "other@vardel.example"], "another Firefox add-on")):
        out = subprocess.DEVNULL if windows else subprocess.PIPE
        r = subprocess.run(command + args, stdin=subprocess.DEVNULL, stdout=out, stderr=out, env=env, timeout=LIMIT)
        check(r.returncode != 0 and (windows or b"refused" in r.stderr), f"{who} is refused: {r.returncode} "
              f"{(r.stderr or b'').decode(errors='replace').strip()}")
    host = Host(command + ["/home/u/.mozilla/native-messaging-hosts/com.vardel.kt5bridge.json",
                           "vardkt5-bridge@vardel.example"], env)
    m = host.ask({"id": 1, "op": "get", "name": "GetCount"})
    check(code(m) == 0x8000FFFF, f"our Firefox add-on is served: {m}")
    check(host.end() == 0, "the host ends")

    print("a trusted page's control:")
    host = Host(command + [CALLER], env)
    page = "file:///C:/pages/shop.html" if windows else "http://127.0.0.1:9/shop.html"
    origin = "file://" if windows else "http://127.0.0.1:9"
    m = host.ask({"id": 1, "op": "create", "params": {"Language": "ko", "LimitRate": 7}, "page": page,
                  "origin": origin})
    check(m == {"id": 1, "result": {"trusted": True}}, f"created, trusted: {m}")
    check(host.ask({"id": 2, "op": "get", "name": "limitrate"}) == {"id": 2, "result": 7}, "PARAM values applied")
    host.ask({"id": 3, "op": "call", "name": "AppendFile", "args": ["http://127.0.0.1:9/a", "보고서 1.pdf", 10]})
    check(host.ask({"id": 4, "op": "get", "name": "GetFileName", "args": [0]}) == {"id": 4, "result": "보고서 1.pdf"},
          "a Korean name read back")
    check(host.ask({"id": 5, "op": "get", "name": "GetCount"}) == {"id": 5, "result": 1}, "one row")
    check(code(host.ask({"id": 6, "op": "call", "name": "Nope"})) == 0x80020006, "unknown member")
    check(code(host.ask({"id": 7, "op": "call", "name": "AppendFile"})) == 0x8002000E, "bad parameter count")
    check(code(host.ask({"id": 8, "op": "call", "name": "AppendFile", "args": [{}]})) == 0x80020005,
          "type mismatch")
    m = host.ask(b'{"id":9,')
    check(m["id"] is None and code(m) == 0x80070057, "malformed JSON answered with an error")
    host.send_raw(struct.pack("=I", 1024 * 1024 + 1) + b" " * (1024 * 1024 + 1))
    m = host.receive()
    check(m["id"] is None and "longer than" in m["error"]["message"], "an over-long message refused")
    # Answers that would quote a megabyte: short errors, and the host stays.
    huge = "\u0001" * (1024 * 1024 // 6 - 10)
    m = host.ask(json.dumps({"id": 11, "op": "get", "name": huge}).encode())
    check(m["id"] == 11 and code(m) == 0x80020006, "an unknown name of a megabyte answered")
    m = host.ask({"op": "nope", "id": "x" * (1024 * 1024 - 40)})
    check(m["id"] is None and code(m) == 0x80070057, "an id too long to echo answered without it")
    m = host.ask(b'{"id":12,"op":"get","args":' + b"[" * (1024 * 1024 - 40) + b"}")
    check(m["id"] is None and "nested too deeply" in m["error"]["message"], "deep nesting refused")
    check(host.ask({"id": 10, "op": "get", "name": "GetCount"}) == {"id": 10, "result": 1},
          "the connection goes on after refusals")
    check(host.end() == 0, "the host ends when the browser closes the connection")

    print("an untrusted page's control:")
    host = Host(command + [CALLER], env)
    outside = "C:\\Users\\Public\\Startup" if windows else os.path.join(work, "outside")
    m = host.ask({"id": 1, "op": "create", "params": {"SetFolder": outside}, "page": "https://evil.example/x",
                  "origin": "https://evil.example"})
    check(m == {"id": 1, "result": {"trusted": False}}, f"created, not trusted: {m}")
    host.ask({"id": 2, "op": "put", "name": "SetFolder", "args": [outside]})
    check(host.ask({"id": 3, "op": "get", "name": "SetFolder"})["result"] != outside, "its SetFolder refused")
    check(host.ask({"id": 4, "op": "call", "name": "GetIPCount"})["result"] == 0, "no addresses for it")
    check(host.end() == 0, "the host ends")

    print("a sandboxed page on a trusted host:")
    host = Host(command + [CALLER], env)
    m = host.ask({"id": 1, "op": "create", "page": page})
    check(code(m) == 0x80070057 and "origin" in m["error"]["message"], f"a create without an origin refused: {m}")
    m = host.ask({"id": 2, "op": "create", "page": "", "origin": origin})
    check(code(m) == 0x80070057 and "URL" in m["error"]["message"], f"a create without a page refused: {m}")
    m = host.ask({"id": 3, "op": "create", "params": {"SetFolder": outside}, "page": page, "origin": "null"})
    check(m == {"id": 3, "result": {"trusted": False}}, f"its opaque origin is not trusted: {m}")
    check(host.ask({"id": 4, "op": "get", "name": "SetFolder"})["result"] != outside, "its SetFolder refused")
    check(host.end() == 0, "the host ends")

    print("a page that goes ends its run:")
    slow = SlowServer()
    runs = os.path.join(work, "runs")
    os.makedirs(runs)
    host = Host(command + [CALLER], env)
    folder = "Z:" + runs.replace("/", "\\") if windows else runs
    # A full path: the dialog starts by itself, as nobody presses Start here.
    m = host.ask({"id": 1, "op": "create", "params": {"SetFolder": folder, "UseFullPath": True}, "page": page,
                  "origin": origin})
    check(m == {"id": 1, "result": {"trusted": True}}, f"created: {m}")
    full = folder + ("\\" if windows else "/") + "slow.bin"
    host.ask({"id": 2, "op": "call", "name": "AppendFile", "args": [slow.url, full, SlowServer.SIZE]})
    host.send({"id": 3, "op": "call", "name": "StartDownload"})  # answered when the run ends
    saved = os.path.join(runs, "slow.bin")
    started = time.monotonic()
    while time.monotonic() - started < LIMIT and not (slow.sent > 65536 and os.path.exists(saved) and
                                                       os.path.getsize(saved) > 0):
        time.sleep(0.02)
    check(os.path.exists(saved), "the run is writing its file")
    closed = time.monotonic()
    ended = host.end()
    took = time.monotonic() - closed
    check(ended == 0, f"the host ended when the browser closed the connection ({ended})")
    # 32-bit Windows programs may run through a whole-machine emulator here
    # (scripts/test.sh registers it), where no time means what it does natively.
    emulated = windows and os.path.exists("/proc/sys/fs/binfmt_misc/vardel-i386") and \
        os.path.basename(command[0]) == "wine"
    bound = 5.0 if emulated else 1.0
    check(took < bound, f"within {bound:.0f} s{' (emulated)' if emulated else ''}: {took:.2f} s")
    written = open(saved, "rb").read() if os.path.exists(saved) else b""
    check(0 < len(written) < SlowServer.SIZE and written == SlowServer.BODY[:len(written)],
          f"its file stays as a cancelled run leaves it: the first {len(written)} bytes, for a resume")
    slow.close()

    print("FAILED" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        code = main()
    finally:
        for undo, undo_env in cleanup:
            subprocess.run(undo, capture_output=True, env=undo_env, timeout=LIMIT)
    sys.exit(code)
