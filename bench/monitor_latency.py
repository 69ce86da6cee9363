#!/usr/bin/python3
"""Live latency of vexa-monitor: lines appended at a steady rate, time from a
line's write to its tracking-log line.

Usage: monitor_latency.py VEXA_MONITOR [--rate 2000] [--seconds 20] [--timer 1000]

Runs the program on a private home with one Squid input (the given timer) and
the tracking log on, appends numbered lines (each names its write time in its
URL) in small batches, and tails the tracking log; prints the median and the
99th percentile of the delay, in milliseconds.
"""

import argparse
import glob
import os
import signal
import subprocess
import tempfile
import threading
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("monitor")
    parser.add_argument("--rate", type=int, default=2000)
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--timer", type=int, default=1000)
    args = parser.parse_args()

    home = tempfile.mkdtemp(prefix="vexa-latency-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_STATE_HOME=home + "/state", XDG_DATA_HOME=home + "/data",
               XDG_DOCUMENTS_DIR=home + "/Documents", XDG_RUNTIME_DIR=home + "/runtime",
               TZ="UTC", LC_ALL="C")
    for sub in ("logs", "tracking", "runtime"):
        os.makedirs(os.path.join(home, sub), mode=0o700)
    logs, tracking = home + "/logs", home + "/tracking"

    def monitor(*words):
        subprocess.run([args.monitor] + list(words), env=env, check=True,
                       stdout=subprocess.DEVNULL)

    monitor("input", "add", logs, "--loader", "Squid", "--timer", str(args.timer))
    for name, value in (("TrackingLogActivity", "true"), ("TrackingLogLocation", tracking),
                        ("PlaySound", "false")):
        monitor("setting", "set", name, value)
    running = subprocess.Popen([args.monitor, "run"], env=env, stdout=subprocess.DEVNULL)
    time.sleep(1.5)

    written = {}
    seen = {}
    done = threading.Event()

    def tail():
        offsets = {}
        while not done.is_set() or len(seen) < len(written):
            now = time.time()
            for name in glob.glob(tracking + "/*.log"):
                with open(name, "rb") as f:
                    f.seek(offsets.get(name, 0))
                    data = f.read()
                cut = data.rfind(b"\n") + 1
                offsets[name] = offsets.get(name, 0) + cut
                for line in data[:cut].splitlines():
                    at = line.find(b"?n=")
                    if at >= 0:
                        number = int(line[at + 3:].split(b"&")[0].split(b"\t")[0])
                        seen.setdefault(number, now)
            if done.is_set() and time.time() - done.stamp > 10:
                break
            time.sleep(0.002)

    reader = threading.Thread(target=tail)
    reader.start()
    batch = max(1, args.rate // 100)  # every 10 ms
    total = args.rate * args.seconds
    start = time.time()
    with open(logs + "/access.log", "a") as f:
        n = 0
        while n < total:
            due = start + n / args.rate
            delay = due - time.time()
            if delay > 0:
                time.sleep(delay)
            lines = []
            stamp = time.time()
            for _ in range(batch):
                lines.append("%.3f 10 10.0.0.%d TCP_MISS/200 500 GET http://www.example.com/p?n=%d "
                             "- DIRECT/192.0.2.1 text/html\n" % (stamp, 1 + n % 50, n))
                written[n] = stamp
                n += 1
            f.write("".join(lines))
            f.flush()
    done.stamp = time.time()
    done.set()
    reader.join()
    running.send_signal(signal.SIGTERM)
    running.wait(60)
    delays = sorted((seen[k] - written[k]) * 1000 for k in written if k in seen)
    missing = len(written) - len(delays)
    if not delays:
        print("no line reached the tracking log")
        return 1
    median = delays[len(delays) // 2]
    p99 = delays[min(len(delays) - 1, int(len(delays) * 0.99))]
    print("lines %d, seen %d, rate %d/s, timer %d ms: median %.0f ms, 99th percentile %.0f ms"
          % (len(written), len(delays), args.rate, args.timer, median, p99))
    subprocess.run(["rm", "-rf", home])
    return 0 if missing == 0 else 1


if __name__ == "__main__":
    raise SystemExit(main())
