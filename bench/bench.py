#!/usr/bin/env python3
"""Times veridon-scan against md5sum, clamscan and yara on one generated tree.

Run it through bench/run.sh, which installs the peers first. Every tool is run
once untimed under GNU time (warm-up, peak memory and the detection check),
then timed by hyperfine. The table goes to standard output and to
OUT/results.md; the exit status is 1 when a tool missed a planted file or
reported one that was not planted, 2 when something needed is missing.
"""
import argparse
import datetime
import json
import os
import platform
import re
import shlex
import shutil
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generate  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
ALL_TOOLS = ["md5sum", "veridon", "clamscan", "yara"]
ID_CODE = re.compile(r"^\d+-\d+$")


def say(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)


class Run:
    """One row of the table: a command, how to check its output, and its numbers."""

    def __init__(self, key, label, command, ok_codes, parse=None, prepare=None, sized=True):
        self.key = key
        self.label = label
        self.command = command
        self.ok_codes = ok_codes
        self.parse = parse
        self.prepare = prepare
        self.sized = sized
        self.wall = self.wall_sd = self.cpu = self.peak_kb = None
        self.check = "-"
        self.failed = False
        self.error = None


# Each parser turns a tool's output into {file name: set of signature names}.
# File names are unique across the tree, so the name alone identifies a file.

def parse_clamscan(text):
    found = {}
    for line in text.splitlines():
        if not line.endswith(" FOUND") or ": " not in line:
            continue
        path, sig = line[: -len(" FOUND")].rsplit(": ", 1)
        sig = sig.removesuffix(".UNOFFICIAL")
        found.setdefault(os.path.basename(path), set()).add(sig)
    return found


def parse_yara(text):
    found = {}
    for line in text.splitlines():
        parts = line.split(" ", 1)
        if len(parts) == 2 and parts[0] and not line.startswith(("error", "warning")):
            found.setdefault(os.path.basename(parts[1]), set()).add(parts[0])
    return found


def parse_veridon(text):
    # tsv rows: threat name, type text, object text, extra text, id code, risk level
    found = {}
    for line in text.splitlines():
        cols = line.split("\t")
        if len(cols) < 5 or not ID_CODE.match(cols[4].strip()):
            continue
        name = re.split(r"[\\/]", cols[2])[-1]
        found.setdefault(name, set()).add(cols[0])
    return found


def compare(found, expected):
    """Returns a list of problems: planted files missed or misnamed, and extra reports."""
    problems = []
    for name, sig in sorted(expected.items()):
        got = found.get(name, set())
        if sig not in got:
            problems.append(f"missed {name} ({sig})" + (f", reported as {sorted(got)}" if got else ""))
    for name in sorted(set(found) - set(expected)):
        problems.append(f"extra {name} ({', '.join(sorted(found[name]))})")
    return problems


def sh(*args):
    return " ".join(shlex.quote(str(a)) for a in args)


def tool_version(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True, timeout=30)
        return (out.stdout or out.stderr).strip().splitlines()[0]
    except (OSError, subprocess.SubprocessError, IndexError):
        return "?"


def machine_lines():
    cpu = "?"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    mem = "?"
    try:
        for line in open("/proc/meminfo"):
            if line.startswith("MemTotal"):
                mem = f"{int(line.split()[1]) / 1024 / 1024:.1f} GiB"
                break
    except OSError:
        pass
    osname = "?"
    try:
        for line in open("/etc/os-release"):
            if line.startswith("PRETTY_NAME="):
                osname = line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    load = " ".join(open("/proc/loadavg").read().split()[:3]) if os.path.exists("/proc/loadavg") else "?"
    return [f"CPU: {cpu}, {os.cpu_count()} cores; memory {mem}",
            f"System: {osname}, kernel {platform.release()}; load average at start {load}"]


def git_commit():
    try:
        out = subprocess.run(["git", "-C", REPO, "describe", "--always", "--dirty"],
                             capture_output=True, text=True, timeout=30)
        return out.stdout.strip() or "?"
    except (OSError, subprocess.SubprocessError):
        return "?"


def find_missing(tools, bindir):
    missing = []
    for program, package in (("hyperfine", "hyperfine"), ("md5sum", "coreutils")):
        if not shutil.which(program):
            missing.append(f"{program} (Debian package {package})")
    if not os.access("/usr/bin/time", os.X_OK):
        missing.append("/usr/bin/time (Debian package time, for peak memory)")
    if "clamscan" in tools and not shutil.which("clamscan"):
        missing.append("clamscan (Debian package clamav)")
    if "yara" in tools and not shutil.which("yara"):
        missing.append("yara (Debian package yara)")
    if "veridon" in tools:
        for program in ("veridon-scan", "veridon-defs"):
            if not os.access(os.path.join(bindir, program), os.X_OK):
                missing.append(f"{os.path.join(bindir, program)} (build it with scripts/build.sh, "
                               "or leave our scanner out with --tools md5sum,clamscan,yara)")
    return missing


def pack(defs, sources, program):
    """Packs the member folders into a fresh program folder with veridon-defs."""
    os.makedirs(program, exist_ok=True)
    for archive, folder in (("Core.def", "core"), ("Addition.def", "addition")):
        cmd = [defs, "pack", os.path.join(sources, folder), os.path.join(program, archive), "--force"]
        out = subprocess.run(cmd, capture_output=True, text=True)
        if out.returncode != 0:
            raise RuntimeError(f"{sh(*cmd)} failed ({out.returncode}): {out.stderr.strip()}")
    # The tool also checks that the hash members are sorted as the engine's bisection needs.
    cmd = [defs, "verify", os.path.join(program, "Core.def"), os.path.join(program, "Addition.def")]
    out = subprocess.run(cmd, capture_output=True, text=True)
    if out.returncode != 0:
        raise RuntimeError(f"{sh(*cmd)} failed ({out.returncode}): "
                           f"{(out.stdout + out.stderr).strip()}")


def prepare_program(bindir, sources, program):
    if os.path.exists(program):
        shutil.rmtree(program)
    os.makedirs(program)
    language = os.path.join(bindir, "Language")
    if os.path.isdir(language):
        shutil.copytree(language, os.path.join(program, "Language"))
    pack(os.path.join(bindir, "veridon-defs"), sources, program)


def run_once(run, runs_dir, timeout):
    """The untimed run: warms the caches, measures peak memory, keeps the output."""
    out_path = os.path.join(runs_dir, f"{run.key}.out")
    err_path = os.path.join(runs_dir, f"{run.key}.err")
    time_path = os.path.join(runs_dir, f"{run.key}.time")
    if run.prepare:
        subprocess.run(["sh", "-c", run.prepare], check=True)
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        # Its own process group, so that a hung tool can be ended with everything it started.
        proc = subprocess.Popen(["/usr/bin/time", "-f", "%e %U %S %M", "-o", time_path,
                                 "sh", "-c", run.command], stdout=out, stderr=err,
                                start_new_session=True)
        try:
            code = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            run.error = f"still running after {timeout} s: stopped, not timed"
            return None
    if code not in run.ok_codes:
        tail = open(err_path, errors="replace").read().strip().splitlines()[-5:]
        run.error = f"exit status {code}" + (": " + " / ".join(tail) if tail else "")
        return None
    fields = open(time_path).read().split()
    run.peak_kb = int(fields[-1])
    return open(out_path, errors="replace").read()


def time_runs(run, runs_dir, count):
    json_path = os.path.join(runs_dir, f"{run.key}.json")
    cmd = ["hyperfine", "--style", "basic", "--runs", str(count), "--export-json", json_path]
    if set(run.ok_codes) != {0}:
        cmd.append("--ignore-failure")
    if run.prepare:
        cmd += ["--prepare", run.prepare]
    cmd.append(run.command)
    if subprocess.run(cmd, stdout=sys.stderr).returncode != 0:
        run.error = "hyperfine failed"
        return
    result = json.load(open(json_path))["results"][0]
    run.wall = result["mean"]
    run.wall_sd = result.get("stddev") or 0.0
    run.cpu = result["user"] + result["system"]


def fmt(value, digits=2):
    return "-" if value is None else f"{value:.{digits}f}"


def table(runs, stamp):
    by_key = {r.key: r for r in runs}
    base = by_key.get("md5sum")
    first = by_key.get("first")
    mb = stamp["bytes"] / 1e6
    rows = ["| run | wall s | CPU s | files/s | MB/s | peak MB | × md5sum | × first scan | detections |",
            "|---|---:|---:|---:|---:|---:|---:|---:|---|"]
    for r in runs:
        if r.wall is None:
            note = (r.error or r.check).replace("|", "/")
            rows.append(f"| {r.label} | - | - | - | - | - | - | - | {note} |")
            continue
        files_s = fmt(stamp["files"] / r.wall, 0) if r.sized else "-"
        mb_s = fmt(mb / r.wall, 1) if r.sized else "-"
        peak = fmt(r.peak_kb / 1024, 1) if r.peak_kb is not None else "-"
        vs_md5 = fmt(r.wall / base.wall) if base and base.wall else "-"
        vs_first = fmt(r.wall / first.wall) if first and first.wall else "-"
        rows.append(f"| {r.label} | {r.wall:.2f} ± {r.wall_sd:.2f} | {fmt(r.cpu)} | {files_s} | "
                    f"{mb_s} | {peak} | {vs_md5} | {vs_first} | {r.check} |")
    return rows


def goals(runs):
    """The engine's speed goals, judged on this run's numbers."""
    # A run that missed a planted file did not do the work: its time proves nothing.
    r = {x.key: x for x in runs if x.wall is not None and not x.failed}
    lines = []

    def goal(text, keys, test, measured):
        if all(k in r for k in keys):
            lines.append(f"- [{'x' if test() else ' '}] {text} (this run: {measured()})")
        else:
            lines.append(f"- [ ] {text} (not measured, or detections wrong)")

    def ratio(a, b):
        return f"{r[a].wall / r[b].wall:.2f} ×"

    def mb(key):
        peak = r[key].peak_kb
        return "unknown" if peak is None else f"{peak / 1024:.1f} MB"

    goal("first scan: wall time at most 1.1 × md5sum's", ["first", "md5sum"],
         lambda: r["first"].wall <= 1.1 * r["md5sum"].wall, lambda: ratio("first", "md5sum"))
    goal("rescan with the cache at least 15 × faster than the first scan", ["first", "rescan"],
         lambda: r["first"].wall >= 15 * r["rescan"].wall, lambda: ratio("first", "rescan"))
    goal("first scan at least 10 × faster than clamscan", ["first", "clamscan"],
         lambda: r["clamscan"].wall >= 10 * r["first"].wall, lambda: ratio("clamscan", "first"))
    goal("first scan at least 2 × faster than yara", ["first", "yara"],
         lambda: r["yara"].wall >= 2 * r["first"].wall, lambda: ratio("yara", "first"))
    goal("peak memory under 64 MB during the scan", ["first"],
         lambda: r["first"].peak_kb is not None and r["first"].peak_kb < 64 * 1024,
         lambda: mb("first"))
    goal("loading 1,000,000 hash lines in under 1 s and under 150 MB", ["bulk"],
         lambda: r["bulk"].wall < 1.0 and r["bulk"].peak_kb is not None
         and r["bulk"].peak_kb < 150 * 1024,
         lambda: f"{r['bulk'].wall:.2f} s, {mb('bulk')}")
    return lines


def main():
    ap = argparse.ArgumentParser(description="Times veridon-scan against md5sum, clamscan and yara.")
    ap.add_argument("--scale", type=float, default=1.0,
                    help="size of the tree relative to the full 20,000 files / 1.1 GB (e.g. 0.02)")
    ap.add_argument("--seed", type=int, default=1, help="seed of the tree and the signatures")
    ap.add_argument("--out", default=os.path.join(HERE, "out"),
                    help="folder for the tree, signatures, program folders and results")
    ap.add_argument("--bin", default=os.path.join(REPO, "build", "bin"),
                    help="folder holding veridon-scan and veridon-defs")
    ap.add_argument("--runs", type=int, default=3, help="timed runs per tool (after one untimed run)")
    ap.add_argument("--tools", default=",".join(ALL_TOOLS),
                    help="comma-separated subset of: " + ", ".join(ALL_TOOLS))
    ap.add_argument("--threads", type=int, default=os.cpu_count() or 1, help="yara's -p")
    ap.add_argument("--bulk", type=int, default=1_000_000,
                    help="hash lines of the start-up test's definitions")
    ap.add_argument("--timeout", type=int, default=3600,
                    help="seconds the untimed run of one tool may take before it is given up")
    ap.add_argument("--regenerate", action="store_true", help="rebuild the tree even when it matches")
    ap.add_argument("--no-build", action="store_true", help=argparse.SUPPRESS)  # handled by run.sh
    a = ap.parse_args()

    tools = [t.strip() for t in a.tools.split(",") if t.strip()]
    unknown = [t for t in tools if t not in ALL_TOOLS]
    if unknown or not tools:
        say(f"unknown tools {unknown}; choose from {', '.join(ALL_TOOLS)}")
        return 2
    if a.runs < 1 or a.scale <= 0:
        say("--runs must be at least 1 and --scale above 0")
        return 2
    bindir = os.path.abspath(a.bin)
    missing = find_missing(tools, bindir)
    if missing:
        say("missing, so nothing was measured:")
        for m in missing:
            say(f"  {m}")
        return 2

    out = os.path.abspath(a.out)
    say(f"generating the tree (seed {a.seed}, scale {a.scale}) in {out}")
    stamp = generate.generate(a.seed, a.scale, out, a.bulk, a.regenerate)
    tree = os.path.join(out, "tree")
    sigs = os.path.join(out, "sigs")
    say(f"{stamp['files']} files, {stamp['bytes'] / 1e6:.0f} MB, {stamp['pe_files']} PE, "
        f"{stamp['big_files']} large, {stamp['planted']} planted")
    expected = {}
    for line in open(os.path.join(sigs, "expected.tsv")):
        path, sig = line.rstrip("\n").split("\t")
        expected[os.path.basename(path)] = sig

    runs_dir = os.path.join(out, "runs")
    shutil.rmtree(runs_dir, ignore_errors=True)
    os.makedirs(runs_dir)

    runs = []
    if "md5sum" in tools:
        runs.append(Run("md5sum", "md5sum (the limit, 1 core)",
                        f"cd {sh(tree)} && find . -type f -print0 | xargs -0 md5sum > /dev/null",
                        {0}))
    if "veridon" in tools:
        program = os.path.join(out, "program")
        bulk_program = os.path.join(out, "program-bulk")
        data = os.path.join(out, "data")
        prefix = os.path.join(out, "prefix")
        empty = os.path.join(out, "empty")
        for folder in (data, prefix, empty):
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        # An empty Wine prefix: drive C: with nothing on it, and the host as drive Z:, the
        # way Wine links its drives, so the tree is reached as Z:\...
        os.makedirs(os.path.join(prefix, "drive_c"))
        os.makedirs(os.path.join(prefix, "dosdevices"))
        os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
        os.symlink("/", os.path.join(prefix, "dosdevices", "z:"))
        say("packing the definitions with veridon-defs")
        try:
            prepare_program(bindir, os.path.join(sigs, "veridon"), program)
            prepare_program(bindir, os.path.join(sigs, "bulk"), bulk_program)
        except RuntimeError as e:
            say(str(e))
            return 2
        scan = os.path.join(bindir, "veridon-scan")
        common = [scan, "--all-files", "--data-dir", data, "--prefix", prefix, "--format", "tsv"]
        cache = os.path.join(program, "ORVELDataBase.db")
        runs.append(Run("first", "veridon-scan, first scan (empty cache)",
                        sh(*common, "--program-dir", program, tree), {0, 1}, parse_veridon,
                        prepare=sh("rm", "-f", cache, cache + "-journal", cache + "-wal",
                                   cache + "-shm")))
        runs.append(Run("rescan", "veridon-scan, rescan (cache filled)",
                        sh(*common, "--program-dir", program, tree), {0, 1}, parse_veridon))
    if "clamscan" in tools:
        runs.append(Run("clamscan", "clamscan (1 core)",
                        sh("clamscan", "-r", "--no-summary", "--infected",
                           "-d", os.path.join(sigs, "bench.hdb"),
                           "-d", os.path.join(sigs, "bench.ndb"), tree),
                        {0, 1}, parse_clamscan))
    if "yara" in tools:
        runs.append(Run("yara", f"yara (-p {a.threads})",
                        sh("yara", "-r", "-p", a.threads, os.path.join(sigs, "bench.yar"), tree),
                        {0}, parse_yara))
    if "veridon" in tools:
        runs.append(Run("startup", f"veridon-scan start-up, {generate.HASH_SIGNATURES:,} hashes",
                        sh(*common, "--program-dir", program, empty), {0}, parse_veridon,
                        sized=False))
        runs.append(Run("bulk", f"veridon-scan start-up, {a.bulk:,} hashes",
                        sh(*common, "--program-dir", bulk_program, empty), {0}, parse_veridon,
                        sized=False))

    say("warming the page cache")
    for root, _, names in os.walk(tree):
        for n in names:
            with open(os.path.join(root, n), "rb") as f:
                while f.read(1 << 20):
                    pass

    for run in runs:
        say(f"{run.label}: untimed run")
        text = run_once(run, runs_dir, a.timeout)
        if text is None:
            say(f"{run.label}: {run.error}")
            run.failed = True
            continue
        if run.parse:
            want = expected if run.sized else {}
            problems = compare(run.parse(text), want)
            if problems:
                run.failed = True
                run.check = f"FAILED: {len(problems)} wrong"
                for p in problems[:20]:
                    say(f"{run.label}: {p}")
            else:
                run.check = f"all {len(want)} found" if want else "none, as expected"
        say(f"{run.label}: {a.runs} timed runs")
        time_runs(run, runs_dir, a.runs)

    date = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    lines = [f"# Benchmark results, {date}", ""]
    lines += [f"- {m}" for m in machine_lines()]
    lines.append(f"- Tree: seed {stamp['seed']}, scale {stamp['scale']}: {stamp['files']:,} files, "
                 f"{stamp['bytes'] / 1e6:,.0f} MB, {stamp['pe_files']} PE images, "
                 f"{stamp['big_files']} files of 1-10 MB; {stamp['planted']} planted detections")
    lines.append(f"- Signatures: {generate.HASH_SIGNATURES:,} MD5 hashes and "
                 f"{generate.PATTERN_SIGNATURES:,} byte patterns at fixed offsets in PE images")
    versions = [f"commit {git_commit()}"]
    if "clamscan" in tools:
        versions.append(tool_version(["clamscan", "--version"]))
    if "yara" in tools:
        versions.append("yara " + tool_version(["yara", "--version"]))
    versions.append(tool_version(["md5sum", "--version"]))
    lines.append(f"- Versions: {'; '.join(versions)}")
    lines.append(f"- Each time is the mean of {a.runs} runs after one untimed run, page cache warm.")
    lines += ["", *table(runs, stamp), ""]
    lines += ["Ratios are wall times divided by md5sum's and by our first scan's: "
              "below 1 is faster.", ""]
    if "veridon" in tools:
        lines += ["Goals:", "", *goals(runs), ""]

    text = "\n".join(lines)
    print(text)
    with open(os.path.join(out, "results.md"), "w") as f:
        f.write(text)
    say(f"table written to {os.path.join(out, 'results.md')}")

    failed = [r.label for r in runs if r.failed]
    if failed:
        say("FAILED: " + "; ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
