#!/usr/bin/python3
"""End to end: the real vexa-monitor program on a private home.

Usage: monitor_end_to_end.py VEXA_MONITOR SMTP_FIXTURE

1. Configures the program through its commands: one input following a log
   folder (Squid loader, 100 ms timer), the e-mail relay (a loopback SMTP
   server), the tracking log, a trigger's e-mail.
2. Runs `run` while a generator appends Squid lines to the folder, rotating
   the log in the middle; stops it with SIGTERM once every line was taken,
   and checks the summary line, the tracking log, the alert e-mail and that
   a second instance is refused meanwhile.
3. Appends more lines (and rotates again) while the program is stopped, and
   runs `run --until-idle`: it must read exactly the new lines.

Exits 0 when every check passed; prints what failed otherwise.
"""

import glob
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

MONITOR = None
ENV = None
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what, flush=True)
    return condition


def monitor(*arguments, expect=0):
    result = subprocess.run([MONITOR] + list(arguments), env=ENV, capture_output=True, text=True,
                            timeout=120)
    check(result.returncode == expect,
          "vexa-monitor %s exited %d (expected %d): %s%s" % (
              " ".join(arguments), result.returncode, expect, result.stdout, result.stderr))
    return result


# --- Squid's native log lines -------------------------------------------------

CLIENTS = ["10.0.0.%d" % n for n in range(1, 6)]
SITES = ["http://www.example.com/index.html", "http://news.example.org/today",
         "http://cdn.example.net/lib.js", "http://www.example.com/logo.png"]


class Generator:
    """Writes numbered Squid lines; every line is unique, so a line read twice
    shows as an extra hit."""

    def __init__(self, folder, start_time):
        self.folder = folder
        self.time = start_time
        self.written = 0

    def line(self, url=None, client=None, size=None):
        n = self.written
        self.time += 0.01
        self.written += 1
        client = client or CLIENTS[n % len(CLIENTS)]
        url = url or ("%s?n=%d" % (SITES[n % len(SITES)], n))
        size = size if size is not None else 1000 + n % 500
        return "%.3f %6d %s TCP_MISS/200 %d GET %s - DIRECT/192.0.2.%d text/html\n" % (
            self.time, 20 + n % 80, client, size, url, 1 + n % 200)

    def append(self, count, chunk=50, pause=0.0, special=None):
        path = os.path.join(self.folder, "access.log")
        done = 0
        while done < count:
            lines = []
            for _ in range(min(chunk, count - done)):
                if special and done in special:
                    lines.append(self.line(**special[done]))
                else:
                    lines.append(self.line())
                done += 1
            with open(path, "a") as f:
                f.write("".join(lines))
            if pause:
                time.sleep(pause)

    def rotate(self, suffix):
        os.rename(os.path.join(self.folder, "access.log"),
                  os.path.join(self.folder, "access.log." + suffix))


# --- Reading the results -----------------------------------------------------

def tracking_lines(folder):
    lines = []
    for name in sorted(glob.glob(os.path.join(folder, "**", "*"), recursive=True)):
        if os.path.isfile(name):
            with open(name, errors="replace") as f:
                lines += [l for l in f.read().splitlines() if l and not l.startswith("#")]
    return lines


def activity_count(folder):
    # Eleven tab-separated fields; the sixth (x-alert) is "-" on activity lines.
    return sum(1 for l in tracking_lines(folder) if l.split("\t")[5:6] == ["-"])


def alert_count(folder):
    return sum(1 for l in tracking_lines(folder) if l.split("\t")[5:6] not in (["-"], []))


def wait_for(predicate, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


SUMMARY = re.compile(r"^hits: (\d+) accepted, (\d+) filtered; alerts: (\d+); issues: (\d+)$",
                     re.M)


def summary_of(output):
    found = SUMMARY.search(output)
    check(found is not None, "summary line in: " + output)
    return tuple(int(x) for x in found.groups()) if found else (-1, -1, -1, -1)


# The shipped trigger this test drives: a single hit of more than 100 MB.
TRIGGER = "Large Downloads"
OTHER_TRIGGERS = ("Blocked Requests", "Adult or Gambling Content", "Long Sessions",
                  "Request Burst")
BIG = 200 * 1024 * 1024
# Line number -> what is special about it; two users download big files.
SPECIAL = {100: dict(size=BIG, client="10.0.0.9"), 450: dict(size=BIG, client="10.0.0.8")}
SPECIAL_SECOND = {50: dict(size=BIG, client="10.0.0.7")}


def main():
    global MONITOR, ENV
    MONITOR, fixture = sys.argv[1], sys.argv[2]
    home = tempfile.mkdtemp(prefix="vexa-e2e-")
    ENV = dict(os.environ)
    ENV.update({
        "HOME": home, "XDG_CONFIG_HOME": home + "/config", "XDG_STATE_HOME": home + "/state",
        "XDG_DATA_HOME": home + "/data", "XDG_DOCUMENTS_DIR": home + "/Documents",
        "XDG_RUNTIME_DIR": home + "/runtime", "TMPDIR": home + "/tmp", "TZ": "UTC", "LC_ALL": "C",
    })
    for sub in ("runtime", "tmp", "logs", "tracking", "smtp"):
        os.makedirs(os.path.join(home, sub), mode=0o700)
    logs, tracking, smtp_folder = (os.path.join(home, s) for s in ("logs", "tracking", "smtp"))

    smtp = subprocess.Popen(["/usr/bin/python3", fixture, smtp_folder])
    try:
        check(wait_for(lambda: os.path.exists(os.path.join(smtp_folder, "port")), 20),
              "SMTP fixture started")
        with open(os.path.join(smtp_folder, "port")) as f:
            port = f.read().strip()
        run_scenario(home, logs, tracking, smtp_folder, port)
    finally:
        open(os.path.join(smtp_folder, "stop"), "w").close()
        try:
            smtp.wait(10)
        except subprocess.TimeoutExpired:
            smtp.kill()
    if FAILURES:
        print("%d check(s) failed; home kept at %s" % (len(FAILURES), home))
        return 1
    subprocess.run(["rm", "-rf", home])
    print("end-to-end: all checks passed")
    return 0


def run_scenario(home, logs, tracking, smtp_folder, port):
    # --- Configuration through the commands.
    monitor("input", "add", expect=2)  # usage error
    monitor("input", "add", logs, "--loader", "Squid", "--timer", "100")
    listed = monitor("input", "list").stdout
    check(logs in listed and "loader=Squid" in listed and "timer=100" in listed,
          "input list shows the input: " + listed)
    for name, value in (("Emails.Server", "127.0.0.1"), ("Emails.Port", port),
                        ("Emails.Sender", "vexa@example.com"), ("TrackingLogActivity", "true"),
                        ("TrackingLogAlerts", "true"), ("TrackingLogLocation", tracking),
                        ("PlaySound", "false")):
        monitor("setting", "set", name, value)
        check(monitor("setting", "get", name).stdout.strip() == value, "setting " + name)
    monitor("setting", "set", "Emails.Port", "99999", expect=1)
    triggers = monitor("trigger", "list").stdout
    check(TRIGGER in triggers, "trigger list names %s: %s" % (TRIGGER, triggers))
    monitor("trigger", "enable", TRIGGER)
    for other in OTHER_TRIGGERS:
        monitor("trigger", "disable", other)
    monitor("trigger", "disable", "No Such Trigger", expect=1)
    monitor("trigger", "notify", TRIGGER, "--to", "not an address", expect=2)
    monitor("trigger", "notify", TRIGGER, "--to", "admin@example.com;audit@example.com")
    check("notify=admin@example.com;audit@example.com" in monitor("trigger", "list").stdout,
          "trigger notify recorded")

    # --- First run: follows the folder while the generator writes and rotates.
    generator = Generator(logs, time.time() - 60)
    running = subprocess.Popen([MONITOR, "run"], env=ENV, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    writer = threading.Thread(target=lambda: (
        generator.append(600, chunk=40, pause=0.02, special=SPECIAL),
        generator.rotate("1"),
        generator.append(400, chunk=40, pause=0.02)))
    writer.start()
    writer.join()
    first = generator.written
    check(wait_for(lambda: activity_count(tracking) >= first, 60),
          "tracking log reached %d activity lines (has %d)" % (first, activity_count(tracking)))
    refused = monitor("input", "list", expect=1)
    check("already running" in refused.stderr, "second instance refused: " + refused.stderr)
    running.send_signal(signal.SIGTERM)
    out, err = running.communicate(timeout=60)
    check(running.returncode == 0, "run ended cleanly (%d): %s" % (running.returncode, err))
    accepted, filtered, alerts, issues = summary_of(out)
    check(accepted + filtered == first, "first run counted %d+%d hits, wrote %d" % (
        accepted, filtered, first))
    check(alerts == 2, "first run raised 2 alerts, not %d" % alerts)
    check(out.count("alert: " + TRIGGER) == 2, "two alert lines printed: " + out)
    check(issues == 0, "first run had no issues: %s" % err)
    check(activity_count(tracking) == first, "one activity line per line written")
    check(alert_count(tracking) == 2, "two alert lines in the tracking log, not %d" %
          alert_count(tracking))
    check(wait_for(lambda: os.path.exists(os.path.join(smtp_folder, "msg-0002.eml")), 10),
          "both alert e-mails arrived")
    message = open(os.path.join(smtp_folder, "msg-0001.eml"), errors="replace").read() \
        if os.path.exists(os.path.join(smtp_folder, "msg-0001.eml")) else ""
    check("Vexa alert: " + TRIGGER in message, "alert e-mail subject: " + message[:400])
    envelope = open(os.path.join(smtp_folder, "msg-0001.env")).read() if os.path.exists(
        os.path.join(smtp_folder, "msg-0001.env")) else ""
    check("RCPT admin@example.com" in envelope and "RCPT audit@example.com" in envelope,
          "e-mail to both recipients: " + envelope)

    # --- Second run: continues where the first stopped.
    generator.append(300, chunk=100, special=SPECIAL_SECOND)
    generator.rotate("2")
    generator.append(200, chunk=100)
    second = generator.written - first
    result = monitor("run", "--until-idle")
    accepted, filtered, alerts, issues = summary_of(result.stdout)
    check(accepted + filtered == second, "second run counted %d+%d hits, %d were new: %s%s" % (
        accepted, filtered, second, result.stdout, result.stderr))
    check(issues == 0, "second run had no issues: " + result.stderr)
    check(activity_count(tracking) == generator.written, "no line read twice: %d lines for %d" % (
        activity_count(tracking), generator.written))
    check(alerts == 1, "second run raised 1 new alert, not %d: %s" % (alerts, result.stdout))
    check(alert_count(tracking) == 3, "three alert lines in all, not %d" % alert_count(tracking))
    check(wait_for(lambda: os.path.exists(os.path.join(smtp_folder, "msg-0003.eml")), 10),
          "third alert e-mail arrived")


if __name__ == "__main__":
    sys.exit(main())
