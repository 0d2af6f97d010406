#!/usr/bin/env python3
"""The bridge in Firefox: firefox-esr headless with a fresh profile and a home
of its own, the extension force-installed by an enterprise policy that also
allows the loopback page, pages from a loopback server that report their
results back to it and go where its answer says.

  firefox_test.py --source DIR --build DIR

Exits 77 (skipped) when Firefox is not installed or when not run as root
(the policy is machine-wide)."""
import argparse
import json
import os
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import browser_test as bt  # noqa: E402
from browser_test import PAGE_LIMIT, START_LIMIT, check, sha256_file, sha256_url, wait_for  # noqa: E402

ADDON_ID = "vardkt5-bridge@vardel.example"
# The folder this Firefox reads first; a policies.json there hides the
# installation's distribution/policies.json.
POLICY_DIR = "/etc/firefox/policies"
# Names that are not loopback, resolved to loopback by the profile.
OTHER, BLOCKED, ASKING = "other.test", "blocked.test", "ask.test"


def make_xpi(extension, path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for root, _, names in sorted(os.walk(extension)):
            for name in sorted(names):
                full = os.path.join(root, name)
                z.write(full, os.path.relpath(full, extension))


def policy(xpi, allowed, blocked):
    return {"policies": {
        "ExtensionSettings": {ADDON_ID: {"installation_mode": "force_installed",
                                         "install_url": "file://" + urllib.parse.quote(xpi)}},
        # ESR honours this; it lets the unsigned test build in.
        "Preferences": {"xpinstall.signatures.required": {"Value": False, "Status": "locked"}},
        "3rdparty": {"Extensions": {ADDON_ID: {"allowedOrigins": allowed, "blockedOrigins": blocked}}},
    }}


class PolicyFile:
    """Writes policies.json, keeping whatever was there to put it back."""

    def __init__(self, content):
        self.path = os.path.join(POLICY_DIR, "policies.json")
        self.made_dir = not os.path.isdir(POLICY_DIR)
        os.makedirs(POLICY_DIR, exist_ok=True)
        self.before = None
        if os.path.exists(self.path):
            with open(self.path, "rb") as f:
                self.before = f.read()
            if self.left_by_killed_run(self.before):
                self.before = None
        with open(self.path, "w") as f:
            json.dump(content, f)

    @staticmethod
    def left_by_killed_run(text):
        """A policy of this test whose run was killed (its .xpi is gone) is not kept."""
        try:
            url = json.loads(text)["policies"]["ExtensionSettings"][ADDON_ID]["install_url"]
        except (ValueError, KeyError, TypeError):
            return False
        path = urllib.parse.unquote(urllib.parse.urlparse(url).path)
        return "/vard-firefox-" in path and path.endswith("/vardkt5-bridge.xpi") and not os.path.exists(path)

    def restore(self):
        if self.before is not None:
            with open(self.path, "wb") as f:
                f.write(self.before)
            return
        os.remove(self.path)
        if self.made_dir:
            # Only what this test made: the folders stay when anything else is in them.
            for d in (POLICY_DIR, os.path.dirname(POLICY_DIR)):
                try:
                    os.rmdir(d)
                except OSError:
                    break


PREFS = {
    "network.proxy.type": 0,
    "network.dns.localDomains": ",".join((OTHER, BLOCKED, ASKING)),
    # Plain http on the test's names, without trying https first.
    "dom.security.https_first": False,
    "dom.security.https_first_schemeless": False,
    "dom.security.https_only_mode": False,
    # Nothing from the Internet.
    "app.update.disabledForTesting": True,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.aboutwelcome.enabled": False,
    "browser.safebrowsing.update.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "datareporting.policy.firstRunURL": "",
    "toolkit.telemetry.enabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "extensions.getAddons.cache.enabled": False,
    "browser.region.network.url": "",
    "services.settings.server": "http://127.0.0.1:9/",
}


def write_prefs(profile):
    with open(os.path.join(profile, "user.js"), "w") as f:
        for name, value in PREFS.items():
            f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")


class Firefox:
    def __init__(self, firefox, profile, url, env, log):
        self.log = open(log, "wb")
        self.proc = subprocess.Popen([firefox, "--headless", "-profile", profile, "-no-remote", url],
                                     stdout=self.log, stderr=subprocess.STDOUT, env=env, start_new_session=True)
        self.session = os.getsid(self.proc.pid)

    def close(self):
        bt.end_browser(self.proc)
        self.log.close()


class Reports:
    """The pages' results in order; each page is told the next address."""

    def __init__(self, route):
        self.route = list(route)
        self.got = queue.Queue()
        self.lock = threading.Lock()
        self.broken = False

    def __call__(self, origin, body):
        try:
            out = json.loads(body)
        except ValueError:
            out = {"failed": "not JSON: " + body[:200].decode(errors="replace")}
        out["sentFrom"] = origin
        self.got.put(out)
        with self.lock:
            return self.route.pop(0) if self.route else ""

    def next(self, limit):
        # A page that never reported broke the chain: the later ones never come.
        if self.broken:
            return {"failed": "an earlier page did not report"}
        try:
            return self.got.get(timeout=limit)
        except queue.Empty:
            self.broken = True
            return {"failed": "no report in time"}


def files_below(folder):
    return sorted(os.path.relpath(os.path.join(r, f), folder) for r, _, fs in os.walk(folder) for f in fs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--source", required=True)
    ap.add_argument("--build", required=True)
    opts = ap.parse_args()
    firefox = shutil.which("firefox-esr") or shutil.which("firefox")
    if not firefox:
        print("SKIPPED: firefox-esr is not installed (scripts/setup.sh installs it)")
        return 77
    if os.geteuid() != 0:
        print(f"SKIPPED: the extension comes in by an enterprise policy in {POLICY_DIR}, which needs root")
        return 77

    # Stopped from outside, it still puts the machine's policy back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    source, build = os.path.abspath(opts.source), os.path.abspath(opts.build)
    work = tempfile.mkdtemp(prefix="vard-firefox-")
    home, profile, folder, person_downloads = (os.path.join(work, n) for n in
                                                ("home", "profile", "downloads", "person-downloads"))
    for d in (home, profile, folder, person_downloads):
        os.makedirs(d)
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_RUNTIME_DIR=runtime, XDG_DOWNLOAD_DIR=person_downloads, MOZ_CRASHREPORTER_DISABLE="1",
               no_proxy="127.0.0.1,localhost", NO_PROXY="127.0.0.1,localhost")
    for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)

    # The host manifest where Firefox looks, in this test's home only.
    subprocess.run([os.path.join(source, "scripts/install-browser-bridge.sh")], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, env=dict(env, BUILD_DIR=build))
    manifest_path = os.path.join(home, ".mozilla/native-messaging-hosts/com.vardel.kt5bridge.json")
    with open(manifest_path) as f:
        manifest = json.load(f)
    print("the host manifest for Firefox:")
    check(manifest.get("allowed_extensions") == [ADDON_ID], f"it lists the add-on ({manifest.get('allowed_extensions')})")
    check(os.access(manifest.get("path", ""), os.X_OK), "it names a launcher that runs")
    check("allowed_origins" not in manifest, "it carries no Chromium origins")

    xpi = os.path.join(work, "vardkt5-bridge.xpi")
    make_xpi(os.path.join(source, "browser/extension"), xpi)
    write_prefs(profile)

    port_file = os.path.join(work, "port")
    server = subprocess.Popen([os.path.join(build, "common/http/testing/vard_http_testserver"),
                               "--port-file", port_file, "--lifetime", "600"], env=env)
    browser = pages = policy_file = None
    started = time.monotonic()
    try:
        if not wait_for(lambda: os.path.exists(port_file) and open(port_file).read().strip(), START_LIMIT):
            raise RuntimeError("the test server did not start")
        base = f"http://127.0.0.1:{open(port_file).read().split()[1]}"
        # The pages' server needs its port before the route can name it.
        reports = Reports([])
        pages = bt.PageServer(os.path.join(source, "tools/bridge/tests/pages"),
                              {"BASE": base, "FOLDER": folder}, report=reports)
        site = {h: f"http://{h}:{pages.port}" for h in ("127.0.0.1", OTHER, BLOCKED, ASKING)}
        loopback = site["127.0.0.1"]
        reports.route = [f"{site[OTHER]}/firefox.html?mode=download&prefix=other-",
                         f"{site[BLOCKED]}/firefox.html?mode=probe",
                         f"{site[ASKING]}/firefox.html?mode=ask"]
        policy_file = PolicyFile(policy(xpi, [loopback, site[OTHER]], [site[BLOCKED]]))
        browser = Firefox(firefox, profile, f"{loopback}/firefox.html?mode=download&wait=1",
                          env, os.path.join(work, "firefox.log"))

        print("trusted page (loopback, allowed by the policy):")
        out = reports.next(PAGE_LIMIT)
        check("failed" not in out, f"the page ran to its end {out.get('failed', '')} (looked {out.get('tries')} times "
              "for the extension)")
        check(out.get("origin") == loopback and out.get("sentFrom") == loopback, f"it is the loopback page ({out.get('origin')})")
        check(out.get("trusted") is True, "the loopback page is trusted")
        check(out.get("folder") == folder and "folderRefused" not in out, f"SetFolder took the page's folder ({out.get('folder')})")
        check(out.get("count") == 2 and out.get("names") == ["보고서.pdf", "images/사진 01.jpg"],
              f"two files appended, names read back ({out.get('names')})")
        check(out.get("countError") == 0x8002000E, f"a wrong call is refused with its code ({out.get('countError')})")
        check(["OnDownloadComplete", []] in out.get("events", []), f"OnDownloadComplete arrived ({out.get('events')})")
        check(out.get("progress", 0) > 0, f"progress reached the page ({out.get('progress')} lines)")
        for name, url in (("보고서.pdf", "/data/2048"), ("images/사진 01.jpg", "/data/300000")):
            path = os.path.join(folder, name)
            check(os.path.exists(path) and sha256_file(path) == sha256_url(base + url),
                  f"the control's {name} has the server's SHA-256")
        in_folder = files_below(folder)
        check(in_folder == sorted(["보고서.pdf", "images/사진 01.jpg"]) and not files_below(person_downloads),
              f"nothing else was written ({in_folder}, {files_below(person_downloads)})")

        print(f"untrusted page ({OTHER}, allowed by the policy):")
        out = reports.next(PAGE_LIMIT)
        check("failed" not in out, f"the page ran to its end {out.get('failed', '')}")
        check(out.get("origin") == site[OTHER], f"it is {OTHER}'s page ({out.get('origin')})")
        check(out.get("trusted") is False, "the page is not trusted")
        home_folder = person_downloads.replace("/", "\\")
        check(out.get("folder") == home_folder, f"its SetFolder was refused ({out.get('folder')})")
        for name, url in (("other-보고서.pdf", "/data/2048"), ("images/other-사진 01.jpg", "/data/300000")):
            path = os.path.join(person_downloads, name)
            check(os.path.exists(path) and sha256_file(path) == sha256_url(base + url),
                  f"its {name} went to the person's download folder, with the server's SHA-256")
        check(files_below(folder) == in_folder, "it wrote nothing into the trusted page's folder")

        print(f"blocked site ({BLOCKED}, blocked by the policy):")
        out = reports.next(PAGE_LIMIT)
        check(out.get("origin") == site[BLOCKED] and out.get("api") == "undefined",
              f"its page sees no window.VardKT5 ({out})")

        print(f"a site nobody allowed ({ASKING}):")
        out = reports.next(PAGE_LIMIT)
        check(out.get("origin") == site[ASKING] and out.get("outcome") == "pending",
              f"its create waits for the person ({out})")
        check(wait_for(lambda: bt.bridge_programs(browser.session) == 0, START_LIMIT, 0.1),
              f"no program runs for it, and the earlier pages' ended ({bt.bridge_programs(browser.session)} left)")
        print(f"  ({time.monotonic() - started:.1f} s from Firefox's start)")
    finally:
        if browser:
            browser.close()
            if bt.failures:
                with open(os.path.join(work, "firefox.log"), errors="replace") as f:
                    print("Firefox's output (last lines):\n" + "".join(f.readlines()[-30:]))
        if policy_file:
            policy_file.restore()
        if pages:
            pages.close()
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    if policy_file:
        print("the machine's policy:")
        now = open(policy_file.path, "rb").read() if os.path.exists(policy_file.path) else None
        check(now == policy_file.before, "put back as it was before the test")
    print("FAILED" if bt.failures else "passed", flush=True)
    return 1 if bt.failures else 0


if __name__ == "__main__":
    sys.exit(main())
