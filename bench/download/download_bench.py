#!/usr/bin/env python3
"""Runs the contenders of bench/download/run.sh and prints the table (see run.sh)."""

import argparse
import hashlib
import os
import statistics
import subprocess
import tempfile
import time

PACKAGE = "__Package_Nimbrel.exe"


def cpu_seconds(pid):
    """User plus system time of a running process, from /proc (0 when it is gone)."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return 0.0


def wineserver_pid():
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/comm" % entry) as f:
                    if f.read().strip().startswith("wineserver"):
                        return int(entry)
            except OSError:
                pass
    return None


def run_process(command, env=None):
    """Wall seconds, CPU seconds, peak resident KiB and stdout of one process. The peak comes
    from GNU time: a child forked by Python would count Python's own size."""
    with tempfile.NamedTemporaryFile("r") as measured:
        timed = ["/usr/bin/time", "-f", "%e %U %S %M", "-o", measured.name] + command
        start = time.perf_counter()
        result = subprocess.run(timed, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        wall = time.perf_counter() - start
        if result.returncode != 0:
            raise RuntimeError("%s ended with %d" % (command[0], result.returncode))
        _, user, system, peak = measured.read().split()[-4:]
    return (wall, float(user) + float(system), int(peak),
            result.stdout.decode("utf-8", "replace"))


def file_md5(path):
    digest = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 22), b""):
            digest.update(block)
    return digest.hexdigest()


class Contender:
    def __init__(self, name, note=""):
        self.name = name
        self.note = note
        self.walls, self.phases, self.cpus = [], [], []
        self.servers, self.nginx, self.peaks = [], [], []

    def median(self, values):
        return statistics.median(values) if values else float("nan")


def native(args, fetch):
    """A native fetch followed by md5sum; both count."""
    target = os.path.join(args.out, PACKAGE)
    wall, cpu, peak, _ = run_process(fetch(target))
    md5_wall, md5_cpu, md5_peak, output = run_process(["md5sum", target])
    if output.split()[0] != args.md5:
        raise RuntimeError("%s: wrong digest" % fetch(target)[0])
    os.remove(target)
    return wall + md5_wall, None, cpu + md5_cpu, max(peak, md5_peak)


def ours(args, download_type):
    env = dict(os.environ, WINEPREFIX=args.prefix, WINEDEBUG="-all")
    folder = "Z:" + args.out.replace("/", "\\")
    command = [args.wine, args.tool, args.url, folder, "", str(download_type), "--download-only"]
    wall, cpu, peak, output = run_process(command, env)
    summary = [line for line in output.splitlines() if line.startswith("# ")][-1].split()
    fields = dict(item.split("=", 1) for item in summary[2:])
    target = os.path.join(args.out, PACKAGE)
    if summary[1] != "succeeded" or file_md5(target) != args.md5:
        raise RuntimeError("type %d: %s" % (download_type, " ".join(summary)))
    os.remove(target)
    return wall, float(fields["seconds"]), cpu, peak


def main():
    parser = argparse.ArgumentParser()
    for option in ("--url", "--md5", "--out", "--wine", "--prefix", "--tool"):
        parser.add_argument(option, required=True)
    parser.add_argument("--size-mib", type=int, required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--nginx-pid", type=int, required=True)
    args = parser.parse_args()

    contenders = [
        (Contender("curl -o + md5sum"),
         lambda: native(args, lambda t: ["curl", "-sS", "-L", "-o", t, args.url])),
        (Contender("aria2c -x2 + md5sum"), lambda: native(args, lambda t: [
            "aria2c", "-q", "-x2", "-s2", "--allow-overwrite=true", "--auto-file-renaming=false",
            "-d", os.path.dirname(t), "-o", os.path.basename(t), args.url])),
        (Contender("type 1 CCurlDownloader"), lambda: ours(args, 1)),
        (Contender("type 2 CWinDownloader", "no MD5 check by design"), lambda: ours(args, 2)),
        (Contender("type 3 CMTCurlDownloader"), lambda: ours(args, 3)),
    ]
    server = wineserver_pid()
    ours(args, 3)  # warms Wine's and the page cache's state alike for every contender
    for round_number in range(args.runs):
        # Each round starts with another contender, so that none always follows the same one.
        shift = round_number % len(contenders)
        for contender, run in contenders[shift:] + contenders[:shift]:
            # Dirty pages of the previous contender's file are written out first, so that no
            # contender pays for another's writeback.
            os.sync()
            server_before = cpu_seconds(server) if server else 0.0
            nginx_before = cpu_seconds(args.nginx_pid)
            wall, phase, cpu, peak = run()
            contender.walls.append(wall)
            if phase is not None:
                contender.phases.append(phase)
            contender.cpus.append(cpu)
            contender.servers.append((cpu_seconds(server) - server_before) if server else 0.0)
            contender.nginx.append(cpu_seconds(args.nginx_pid) - nginx_before)
            contender.peaks.append(peak)

    baseline = contenders[0][0].median(contenders[0][0].walls)
    print("file: %d MiB from nginx on 127.0.0.1, median of %d runs; speed = (curl -o + md5sum "
          "wall) / (this wall), above 1 is faster" % (args.size_mib, args.runs))
    print("%-26s %8s %8s %8s %7s %9s %8s %9s %7s %9s" % (
        "contender", "wall s", "best s", "MiB/s", "speed", "phase s", "cpu s", "wineserv",
        "nginx", "peak MiB"))
    for contender, _ in contenders:
        wall = contender.median(contender.walls)
        phase = contender.median(contender.phases)
        print("%-26s %8.3f %8.3f %8.1f %7.2f %9s %8.2f %9.2f %7.2f %9.1f  %s" % (
            contender.name, wall, min(contender.walls), args.size_mib / wall, baseline / wall,
            "-" if phase != phase else "%.3f" % phase, contender.median(contender.cpus),
            contender.median(contender.servers), contender.median(contender.nginx),
            max(contender.peaks) / 1024.0, contender.note))
    print("wall s: median; best s: the fastest run; MiB/s and speed from the median.")
    print("wall: the whole process (for ours: Wine start-up included); phase s: ours, from the "
          "start of the download to DL_CODE_SUCCESS inside the process; cpu s: the client's own "
          "processes; wineserv, nginx: CPU seconds those servers spent meanwhile; peak: the "
          "largest resident set of the client's processes (for ours: the Wine process).")


if __name__ == "__main__":
    main()
