#!/usr/bin/env python3
"""The bridge's Windows road under Wine: the real host, spoken to as a
browser does, shows the control's real download dialog for StartDownload
and hands StartPlusDownload's list to the real agent.

  windows_road.py --build BUILD --prefix PREFIX --port-file FILE

BUILD is the win64 build folder, PREFIX a Wine prefix of this test's own
(the control starts the agent from its system directory, so the agent and
the broker are copied there), FILE the native test server's port file.
Windows run on Wine's null graphics driver: no display is needed, and other
programs (the dialog presser, vardwin) still find and drive them."""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from host_driver import Host, check, failures, wine_env, wine_loader  # noqa: E402

LIMIT = 30  # seconds any one step may take
AGENT_MAIN = "vardel_MWKTPlusProc_Download_MainFrm_Class"
AGENT_VIEW = "vardel_MWKTPlusProc_Download_view_Class"
AGENT_START = "1002"
DIALOG_START = "1"
OVERWRITE = "203"  # the existing-file question's button
PAGE = "file:///C:/pages/shop.html"
ORIGIN = "file://"  # as Chromium gives a file: page's
FILES = [("보고서.pdf", "/data/2048"), ("images/사진 01.jpg", "/data/300000"), ("big.bin", "/data/70000")]


def wait_for(ready, seconds, poll=0.05):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if ready():
            return True
        time.sleep(poll)
    return ready()


def sha256_file(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class Wine:
    def __init__(self, prefix):
        self.source = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
        self.prefix = prefix
        self.loader = wine_loader("wine64")
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}  # the null driver
        for name in ("no_proxy", "NO_PROXY"):  # the test server is on loopback
            env[name] = ",".join(filter(None, ["127.0.0.1,localhost", env.get(name)]))
        self.env = wine_env(env, prefix)

    def run(self, *args, seconds=LIMIT):
        """A program run to its end; its output goes through a file, as Wine's
        background services inherit it and would hold a pipe open."""
        with tempfile.TemporaryFile() as out:
            try:
                rc = subprocess.run([self.loader, *args], stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT, env=self.env, timeout=seconds).returncode
            except subprocess.TimeoutExpired:
                rc = None
            out.seek(0)
            return rc, out.read().decode("utf-8", "replace").replace("\r", "")

    def stop(self):
        server = os.path.join(os.path.dirname(self.loader), "wineserver64")
        if not os.access(server, os.X_OK):
            server = shutil.which("wineserver") or "wineserver"
        subprocess.run([server, "-k"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=LIMIT)

    def path(self, windows_path):
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))


def agent_gone(wine, vardwin):
    return wine.run(vardwin, AGENT_MAIN, "dump", seconds=10)[0] != 0


def road(opts, wine, start):
    build = os.path.abspath(opts.build)
    bridge = os.path.join(build, "tools/bridge/vardkt5-bridge.exe")
    vardwin = os.path.join(build, "tools/vardwin/vardwin.exe")
    presser = os.path.join(build, "tools/bridge/bridge_dialog_press.exe")

    # The prefix (made on first use by the runner, with the null driver),
    # the agent's save folder, the agent and broker where the control looks.
    runner = ["sh", os.path.join(wine.source, "cmake/wine-run.sh"), wine.prefix, "wine64"]
    saved_win = "C:\\vard-bridge\\agent"
    r = subprocess.run(runner + ["reg", "add", "HKCU\\Software\\vardel\\KTPlus", "/v", "SaveFolder", "/d", saved_win,
                                 "/f"], stdin=subprocess.DEVNULL, capture_output=True, env=wine.env, timeout=300)
    if r.returncode != 0:
        raise RuntimeError("the prefix could not be made: " + r.stdout.decode(errors="replace"))
    # The road's page is on this machine's disk: trusted only where a site lock names such pages.
    r = subprocess.run(runner + ["reg", "add", "HKCU\\Software\\vardel\\VardKT5\\SiteLock", "/v", "Origins", "/d",
                                 "file:", "/f"], stdin=subprocess.DEVNULL, capture_output=True, env=wine.env, timeout=LIMIT)
    check(r.returncode == 0, "a site lock for this machine's pages set")
    system = os.path.join(wine.prefix, "drive_c/windows/system32")
    for program in ("agent/MWKTPlusProc.exe", "fsb/vardfsb.exe"):
        shutil.copy(os.path.join(build, program), system)
    if not agent_gone(wine, vardwin):
        wine.run(vardwin, AGENT_MAIN, "close", "1")
    shutil.rmtree(wine.path("C:\\vard-bridge"), ignore_errors=True)
    port = open(opts.port_file).read().split()[1]
    base = f"http://127.0.0.1:{port}"
    direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # loopback, never a proxy
    want = {url: hashlib.sha256(direct.open(base + url, timeout=LIMIT).read()).hexdigest() for _, url in FILES}

    def files_match(folder_win, who):
        for name, url in FILES:
            path = wine.path(folder_win + "\\" + name)
            check(os.path.exists(path) and sha256_file(path) == want[url], f"{who} {name} has the server's SHA-256")

    def append(host, folder_win=None):
        for n, (name, url) in enumerate(FILES):
            shown = name if folder_win is None else folder_win + "\\" + name.replace("/", "\\")
            host.ask({"id": 100 + n, "op": "call", "name": "AppendFile", "args": [base + url, shown]})

    def press(what, button, count=1):
        """Presses and checks; the road cannot go on past a dialog that did not come."""
        rc, titles = wine.run(presser, button, str(LIMIT), str(count), seconds=count * LIMIT + 10)
        check(rc == 0 and len(titles.split("\n")) > count, f"{what} ({titles.split()})")
        if rc != 0:
            raise RuntimeError(f"{what}: no such dialog")

    def completed(host, what):
        names = [m.get("event") for m in host.events]
        check("OnDownloadComplete" in names, f"{what}: the page heard OnDownloadComplete ({names})")

    Host.quiet = True
    command = [wine.loader, bridge, "chrome-extension://kclbnimnakbiaaknaaihdfmdkphdbkbg/"]

    print("StartDownload with full paths: the dialog starts by itself and ends by itself")
    full_win = "C:\\vard-bridge\\full"
    host = start(command)
    started = time.time()
    # Held to 400 KB/s, so the run lasts long enough for the page to hear it.
    params = {"UseFullPath": True, "Language": "ko", "LimitRate": 400}
    m = host.ask({"id": 1, "op": "create", "params": params, "page": PAGE, "origin": ORIGIN})
    check(m == {"id": 1, "result": {"trusted": True}}, f"created, trusted: {m}")
    append(host, full_win)
    host.send({"id": 2, "op": "call", "name": "StartDownload"})
    m = host.answer()
    first = wine.path(full_win + "\\" + FILES[0][0])
    check(m == {"id": 2, "result": None}, f"StartDownload answered once the dialog ended: {m}")
    completed(host, "full paths")
    names = [m.get("event") for m in host.events]
    lines = [m["args"][0] for m in host.events if m.get("event") == "Progress"]
    ended = names.index("OnDownloadComplete") if "OnDownloadComplete" in names else 0
    check(lines and ended and "Progress" not in names[ended:] and all(" / 3  " in ln and "%" in ln for ln in lines),
          f"the dialog's progress reached the page while it ran ({len(lines)} lines, the last {lines[-1:]})")
    files_match(full_win, "the control's")
    if os.path.exists(first):
        print(f"  create to first file on disk: {(os.stat(first).st_mtime - started) * 1000:.0f} ms "
              f"(create to the dialog's end {(time.time() - started) * 1000:.0f} ms)")
    check(host.end() == 0, "the host ends when the browser closes the connection")

    print("StartDownload into a folder: the dialog waits for its Start")
    list_win = "C:\\vard-bridge\\list"
    host = start(command)
    host.ask({"id": 1, "op": "create", "params": {"Language": "ko"}, "page": PAGE, "origin": ORIGIN})
    host.ask({"id": 2, "op": "put", "name": "SetFolder", "args": [list_win]})
    append(host)
    host.send({"id": 3, "op": "call", "name": "StartDownload"})
    # The host's message loop runs the dialog; the page's next message waits
    # in the pipe and is answered after it.
    host.send({"id": 4, "op": "get", "name": "GetCount"})
    press("the dialog's Start pressed", DIALOG_START)
    m = host.answer()
    check(m == {"id": 3, "result": None}, f"StartDownload answered once the dialog ended: {m}")
    check(host.answer() == {"id": 4, "result": 3}, "the message sent meanwhile answered after it")
    completed(host, "a folder")
    files_match(list_win, "the control's")

    print("StartPlusDownload: the list handed to the agent")
    m = host.ask({"id": 5, "op": "call", "name": "StartPlusDownload"})
    check("error" not in m, f"StartPlusDownload answered: {m}")
    rc, out = wine.run(vardwin, AGENT_VIEW, "wait-rows", "", str(len(FILES)), str(LIMIT), seconds=LIMIT + 10)
    check(rc == 0, f"the agent shows the {len(FILES)} files {out.strip()}")
    rc, out = wine.run(vardwin, AGENT_VIEW, "command", AGENT_START)
    check(rc == 0, f"the agent's Start pressed {out.strip()}")

    def agent_done():
        return all(os.path.exists(wine.path(saved_win + "\\" + n)) and
                   os.path.getsize(wine.path(saved_win + "\\" + n)) == int(u.rsplit("/", 1)[1]) for n, u in FILES)
    wait_for(agent_done, LIMIT, 0.2)
    files_match(saved_win, "the agent's")
    wine.run(vardwin, AGENT_MAIN, "close", "1")
    check(wait_for(lambda: agent_gone(wine, vardwin), LIMIT, 0.5), "the agent ends when asked")

    print("StartDownload again: a question for each existing file, answered Overwrite")
    spoiled = wine.path(list_win + "\\" + FILES[0][0])
    with open(spoiled, "wb") as f:
        f.write(b"not the server's bytes")
    host.events.clear()
    host.send({"id": 6, "op": "call", "name": "StartDownload"})
    press("the dialog's Start pressed again", DIALOG_START)
    press(f"{len(FILES)} questions answered Overwrite", OVERWRITE, len(FILES))
    m = host.answer()
    check(m == {"id": 6, "result": None}, f"StartDownload answered once the dialog ended: {m}")
    completed(host, "overwritten")
    files_match(list_win, "the control's overwritten")

    print("the browser goes while a dialog is up: the dialog closes and the host ends")
    with open(spoiled, "wb") as f:
        f.write(b"not the server's bytes")
    host.send({"id": 7, "op": "call", "name": "StartDownload"})
    rc, titles = wine.run(presser, DIALOG_START, str(LIMIT), "0", seconds=LIMIT + 10)
    check(rc == 0, f"the dialog is up ({titles.split()})")
    closed = time.monotonic()
    ended = host.end()
    took = time.monotonic() - closed
    check(ended == 0 and took < 1.0, f"the host ended within 1 s: {took:.2f} s")
    rc, _ = wine.run(presser, DIALOG_START, "1", "0", seconds=LIMIT)
    check(rc != 0, "no dialog is left")
    check(open(spoiled, "rb").read() == b"not the server's bytes", "the run that never started wrote nothing")

    print("DownloadAndOpen: the compact dialog, then the shell's failure told in a message box")
    host = start(command)
    host.ask({"id": 1, "op": "create", "params": {"UseFullPath": True}, "page": PAGE, "origin": ORIGIN})
    opened_win = "C:\\vard-bridge\\open\\unknown.vardnone"
    host.send({"id": 2, "op": "call", "name": "DownloadAndOpen", "args": [base + FILES[2][1], opened_win, 70000]})
    press("the message box's OK pressed", DIALOG_START)
    m = host.answer()
    check(m == {"id": 2, "result": None}, f"DownloadAndOpen answered once the message was read: {m}")
    opened = wine.path(opened_win)
    check(os.path.exists(opened) and sha256_file(opened) == want[FILES[2][1]], "its file has the server's SHA-256")
    check(host.end() == 0, "the host ends")

    print("an untrusted page: its full path held to the download folder")
    host = start(command)
    escape_win = "C:\\vard-bridge\\escape"
    m = host.ask({"id": 1, "op": "create", "params": {"UseFullPath": True}, "page": "https://evil.example/x",
                  "origin": "https://evil.example"})
    check(m == {"id": 1, "result": {"trusted": False}}, f"created, not trusted: {m}")
    host.ask({"id": 2, "op": "put", "name": "SetFolder", "args": [list_win]})
    host.ask({"id": 3, "op": "call", "name": "AppendFile", "args": [base + FILES[0][1], escape_win + "\\a.bin"]})
    host.send({"id": 4, "op": "call", "name": "StartDownload"})
    # UseFullPath still starts the run by itself; only its names are held.
    m = host.answer()
    check(m == {"id": 4, "result": None}, f"StartDownload answered once the dialog ended: {m}")
    check(not os.path.exists(wine.path(escape_win)), "nothing written where the page's full path pointed")
    names = [m.get("event") for m in host.events if m.get("event") != "Progress"]
    check(names == ["OnDownloadError"], f"the page heard OnDownloadError for its refused name ({names})")
    check(host.end() == 0, "the host ends")



def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--prefix", required=True)
    ap.add_argument("--port-file", required=True)
    opts = ap.parse_args()
    wine = Wine(os.path.abspath(opts.prefix))
    hosts = []

    def start(command):
        hosts.append(Host(command, wine.env))
        return hosts[-1]
    try:
        road(opts, wine, start)
    except (RuntimeError, OSError, ValueError, subprocess.SubprocessError) as e:
        check(False, f"the road broke off: {e}")
    finally:
        for host in hosts:
            if host.proc.poll() is None:
                host.proc.kill()
        # What a failed run leaves in the prefix (a dialog, the agent) ends
        # with its server.
        if failures:
            wine.stop()
    print("FAILED" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
