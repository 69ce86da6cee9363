#!/usr/bin/python3
"""Whole-pipeline benchmark: vexa-monitor against goaccess on one Squid backlog.

Usage: pipeline.py [--bin DIR] [--lines N] [--repeat R] [--keep]

Generates a Squid log of N lines once (LogGenerator, seed 7), then:
  - runs `vexa-monitor run --until-idle` on a private home with the shipped
    defaults, one Squid input whose folder holds a copy of the backlog, sound
    off and the tracking log on; the same again with the tracking log off;
  - runs goaccess on the same file, writing its JSON report to a temp file.
Every run is timed from start to exit (wall clock) and its peak resident set
is taken from the kernel's rusage for the child. Each run is repeated R times
on a fresh home; the table shows the best wall time and the largest peak RSS
seen over the repeats. The hits counted by each program must equal the
number of lines in the backlog, or the script fails.

Exit status: 0 when every run finished and counted every line, 1 otherwise
(goals not met are reported, not treated as failures).
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

GOAL_RATE = 1_000_000  # hits per second, end to end, tracking log on
GOAL_RATIO = 6.0       # times goaccess's rate

GOACCESS_FORMAT = [
    "--log-format=%x.%^ %~%L %h %^/%s %b %m %U %e %^ %M",
    "--date-format=%s",
    "--time-format=%s",
]


class Failure(Exception):
    pass


def count_lines(path):
    n = 0
    with open(path, "rb") as f:
        while True:
            block = f.read(1 << 20)
            if not block:
                return n
            n += block.count(b"\n")


def timed(argv, env, stdout_path, stderr_path, cwd=None):
    """Runs argv to completion; returns (exit status, wall s, CPU s, peak RSS bytes)."""
    with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
        start = time.monotonic()
        child = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                 stdout=out, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)  # already reaped
    cpu = usage.ru_utime + usage.ru_stime
    return child.returncode, wall, cpu, usage.ru_maxrss * 1024  # ru_maxrss is KiB on Linux


def tail_text(path, lines=5):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return ""
    return "\n".join(data.decode("utf-8", "replace").splitlines()[-lines:])


def private_env(home):
    """An environment whose every per-user folder lies under home."""
    folders = {
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_STATE_HOME": os.path.join(home, "state"),
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_DOCUMENTS_DIR": os.path.join(home, "Documents"),
        "XDG_RUNTIME_DIR": os.path.join(home, "runtime"),
    }
    for path in folders.values():
        os.makedirs(path, exist_ok=True)
    os.chmod(folders["XDG_RUNTIME_DIR"], 0o700)
    env = dict(os.environ, TZ="UTC", LC_ALL="C")
    env.pop("LANG", None)
    env.pop("LANGUAGE", None)
    env.update(folders)
    return env


def run_vexa(monitor, backlog, lines, home, tracking):
    """One vexa-monitor run on a fresh home; returns (wall s, CPU s, peak RSS bytes, summary)."""
    env = private_env(home)
    logdir = os.path.join(home, "logs")
    trackdir = os.path.join(home, "tracking")
    os.makedirs(logdir)
    os.makedirs(trackdir)

    def configure(*words):
        done = subprocess.run([monitor] + list(words), env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            raise Failure("vexa-monitor %s: exit status %d\n%s"
                          % (" ".join(words), done.returncode,
                             done.stdout.decode("utf-8", "replace").strip()))

    configure("input", "add", logdir, "--loader", "Squid")
    configure("setting", "set", "PlaySound", "false")
    configure("setting", "set", "TrackingLogActivity", "true" if tracking else "false")
    configure("setting", "set", "TrackingLogLocation", trackdir)
    shutil.copyfile(backlog, os.path.join(logdir, "access.log"))

    out = os.path.join(home, "run.stdout")
    err = os.path.join(home, "run.stderr")
    status, wall, cpu, rss = timed([monitor, "run", "--until-idle"], env, out, err)
    if status != 0:
        raise Failure("vexa-monitor run --until-idle: exit status %d\n%s"
                      % (status, tail_text(err) or tail_text(out)))

    last = tail_text(out, 1).strip()
    summary = parse_summary(last)
    if summary is None:
        raise Failure("vexa-monitor run --until-idle: no summary line; last line was %r" % last)
    accepted, filtered, alerts, issues = summary
    if accepted + filtered != lines:
        raise Failure("vexa-monitor counted %d hits (%d accepted + %d filtered) for a %d-line "
                      "backlog (tracking log %s)"
                      % (accepted + filtered, accepted, filtered, lines,
                         "on" if tracking else "off"))
    if tracking:
        written = sum(os.path.getsize(os.path.join(trackdir, name))
                      for name in os.listdir(trackdir))
        if written == 0:
            raise Failure("vexa-monitor: the tracking log is on but nothing was written to %s"
                          % trackdir)
    return wall, cpu, rss, summary


def parse_summary(line):
    # hits: N accepted, M filtered; alerts: A; issues: I
    try:
        hits, alerts, issues = [part.strip() for part in line.split(";")]
        if not (hits.startswith("hits:") and alerts.startswith("alerts:")
                and issues.startswith("issues:")):
            return None
        accepted_part, filtered_part = hits[len("hits:"):].split(",")
        accepted_n, accepted_word = accepted_part.split()
        filtered_n, filtered_word = filtered_part.split()
        if accepted_word != "accepted" or filtered_word != "filtered":
            return None
        return (int(accepted_n), int(filtered_n),
                int(alerts[len("alerts:"):]), int(issues[len("issues:"):]))
    except ValueError:
        return None


def run_goaccess(goaccess, backlog, lines, home):
    """One goaccess run; returns (wall s, CPU s, peak RSS bytes, (total, valid, failed))."""
    env = private_env(home)
    report = os.path.join(home, "report.json")
    argv = [goaccess, backlog, "--no-global-config", *GOACCESS_FORMAT,
            "--no-progress", "--no-parsing-spinner", "-o", report]
    out = os.path.join(home, "run.stdout")
    err = os.path.join(home, "run.stderr")
    status, wall, cpu, rss = timed(argv, env, out, err, cwd=home)
    if status != 0:
        raise Failure("goaccess: exit status %d\n%s" % (status, tail_text(err) or tail_text(out)))
    try:
        with open(report, "rb") as f:
            general = json.load(f)["general"]
        counts = (int(general["total_requests"]), int(general["valid_requests"]),
                  int(general["failed_requests"]))
    except (OSError, ValueError, KeyError, TypeError) as e:
        raise Failure("goaccess: cannot read its report %s: %s" % (report, e))
    if counts[0] != lines:
        raise Failure("goaccess counted %d requests for a %d-line backlog" % (counts[0], lines))
    return wall, cpu, rss, counts


class Result:
    """Best wall time over the repeats (with that run's CPU time), largest peak RSS."""

    def __init__(self):
        self.wall = None
        self.cpu = None
        self.rss = 0
        self.detail = None


def best_of(repeat, scratch, label, one_run):
    result = Result()
    for i in range(repeat):
        home = os.path.join(scratch, "%s-%d" % (label, i + 1))
        os.makedirs(home)
        wall, cpu, rss, detail = one_run(home)
        if result.wall is None or wall < result.wall:
            result.wall, result.cpu = wall, cpu
        result.rss = max(result.rss, rss)
        result.detail = detail
        print("  %s run %d: %.2f s wall, %.2f s CPU, %.1f MB"
              % (label, i + 1, wall, cpu, rss / 1e6), flush=True)
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", default=os.path.join(REPO, "build", "release", "bin"),
                        help="folder holding vexa-monitor and LogGenerator")
    parser.add_argument("--lines", type=int, default=1_000_000)
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--keep", action="store_true", help="keep the temp folder")
    args = parser.parse_args()
    if args.lines < 1 or args.repeat < 1:
        parser.error("--lines and --repeat must be at least 1")

    bindir = os.path.abspath(args.bin)
    monitor = os.path.join(bindir, "vexa-monitor")
    generator = os.path.join(bindir, "LogGenerator")
    for program in (monitor, generator):
        if not os.access(program, os.X_OK):
            print("pipeline: %s is missing; build the release preset first" % program,
                  file=sys.stderr)
            return 1
    goaccess = shutil.which("goaccess")

    scratch = tempfile.mkdtemp(prefix="vexa-pipeline-")
    try:
        return bench(args, scratch, monitor, generator, goaccess)
    except Failure as e:
        print("pipeline: FAILED: %s" % e, file=sys.stderr)
        return 1
    finally:
        if args.keep:
            print("pipeline: temp files kept in %s" % scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)


def bench(args, scratch, monitor, generator, goaccess):
    backlog = os.path.join(scratch, "backlog", "access.log")
    os.makedirs(os.path.dirname(backlog))
    generated = subprocess.run([generator, "--format", "squid", "--lines", str(args.lines),
                                "--seed", "7", "--out", backlog],
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    if generated.returncode != 0:
        raise Failure("LogGenerator: exit status %d\n%s"
                      % (generated.returncode, generated.stdout.decode("utf-8", "replace")))
    lines = count_lines(backlog)
    if lines != args.lines:
        raise Failure("LogGenerator wrote %d lines, %d asked" % (lines, args.lines))
    size = os.path.getsize(backlog)
    print("== pipeline: %d-line Squid backlog (%.1f MB), best of %d"
          % (lines, size / 1e6, args.repeat), flush=True)

    rows = []  # (program, result, note)
    on = best_of(args.repeat, scratch, "vexa-tracking-on",
                 lambda home: run_vexa(monitor, backlog, lines, home, True))
    off = best_of(args.repeat, scratch, "vexa-tracking-off",
                  lambda home: run_vexa(monitor, backlog, lines, home, False))
    rows.append(("vexa-monitor (tracking log on)", on,
                 "alerts %d, issues %d" % (on.detail[2], on.detail[3])))
    rows.append(("vexa-monitor (tracking log off)", off,
                 "alerts %d, issues %d" % (off.detail[2], off.detail[3])))
    ga = None
    if goaccess:
        ga = best_of(args.repeat, scratch, "goaccess",
                     lambda home: run_goaccess(goaccess, backlog, lines, home))
        rows.append(("goaccess", ga, "valid %d, failed %d" % (ga.detail[1], ga.detail[2])))

    print()
    header = "%-32s %8s %8s %12s %12s" % ("program", "wall s", "CPU s", "hits/s", "peak RSS MB")
    print(header)
    print("-" * len(header))
    for program, result, note in rows:
        print("%-32s %8.2f %8.2f %12.0f %12.1f  %s"
              % (program, result.wall, result.cpu, lines / result.wall, result.rss / 1e6, note))
    if not goaccess:
        print("%-32s %8s %8s %12s %12s" % ("goaccess", "-", "-", "not installed", "-"))
    # A child's peak RSS starts from this process's own high-water mark (it is
    # carried over by fork and exec), so a run can never show less than this.
    floor_home = os.path.join(scratch, "floor")
    os.makedirs(floor_home)
    floor = timed(["true"], dict(os.environ), os.path.join(floor_home, "out"),
                  os.path.join(floor_home, "err"))[3]
    print("(peak RSS of an empty program started the same way: %.1f MB)" % (floor / 1e6))
    print()

    rate = lines / on.wall
    if ga:
        rate_ratio = ga.wall / on.wall  # same lines, so the ratio of the rates
        memory_ratio = on.rss / ga.rss
        print("vexa (tracking log on) / goaccess: rate %.2fx, peak memory %.2fx"
              % (rate_ratio, memory_ratio))
    else:
        print("vexa (tracking log on) / goaccess: not measured (goaccess not installed)")
    print()

    def mark(ok):
        return "met" if ok else "NOT met"

    print("goals (vexa-monitor, tracking log on):")
    print("  %-30s %-8s %.0f hits/s" % ("at least 1 000 000 hits/s", mark(rate >= GOAL_RATE),
                                        rate))
    if ga:
        print("  %-30s %-8s %.2fx" % ("at least 6x goaccess's rate",
                                      mark(rate_ratio >= GOAL_RATIO), rate_ratio))
        print("  %-30s %-8s %.1f MB against %.1f MB"
              % ("less memory than goaccess", mark(on.rss < ga.rss), on.rss / 1e6, ga.rss / 1e6))
    else:
        for goal in ("at least 6x goaccess's rate", "less memory than goaccess"):
            print("  %-30s not measured (goaccess not installed)" % goal)
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
