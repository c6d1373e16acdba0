#!/usr/bin/env python3
"""Runs the reader benchmark and the peak-memory measurement; writes JSON.

Throughput: reader_benchmark, 10 repetitions of every case, interleaved at
random so that ours and inih share the machine's moods. It runs twice: with
the C library's allocator as it is (every large block comes fresh from the
kernel, as in the updater's one lookup) and with freed memory kept for reuse,
which leaves only the reader's own work and shows what fresh pages cost.

Peak memory: reader_peak on the 64 MiB files under heaptrack (peak heap) and
under /usr/bin/time -v (maximum resident set, less the baseline of a run that
only maps the file).
"""
import argparse
import json
import os
import re
import subprocess
import sys

SIZE_64M = 64 << 20
FLAVOURS = ("ascii", "latin1", "utf8bom")
# Never hand a block back and never map one of its own: freed pages are reused.
WARM_TUNABLES = "glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=68719476736"


def throughput(benchmark, repetitions, env_extra):
    out = os.path.join(os.environ.get("TMPDIR", "/tmp"), "reader_benchmark.%d.json" % os.getpid())
    env = dict(os.environ, **env_extra)
    subprocess.run([benchmark, "--benchmark_repetitions=%d" % repetitions,
                    "--benchmark_enable_random_interleaving=true",
                    "--benchmark_out=" + out, "--benchmark_out_format=json"],
                   env=env, check=True, stdout=subprocess.DEVNULL)
    with open(out) as f:
        data = json.load(f)
    os.remove(out)
    cases = {}
    for entry in data["benchmarks"]:
        if entry.get("run_type") != "iteration" or entry.get("error_occurred"):
            if entry.get("error_occurred"):
                sys.exit("%s: %s" % (entry["name"], entry.get("error_message")))
            continue
        name = entry["run_name"].split("/min_time")[0]
        cases.setdefault(name, []).append(entry["bytes_per_second"] / 1e6)
    return {"cpu": data["context"], "mb_per_s": cases}


def peak(driver, data_dir, flavour, work):
    path = os.path.join(data_dir, "%s-%d.ini" % (flavour, SIZE_64M))
    result = {"bytes": os.path.getsize(path)}
    for mode in ("reader", "inih", "none"):
        timed = subprocess.run(["/usr/bin/time", "-v", driver, mode, flavour, path],
                               capture_output=True, text=True)
        if timed.returncode != 0:
            sys.exit("reader_peak %s %s failed: %s" % (mode, flavour, timed.stderr[-400:]))
        rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", timed.stderr).group(1))
        result.setdefault("rss_kib", {})[mode] = rss
    for mode in ("reader", "inih"):
        base = os.path.join(work, "heaptrack.%s.%s" % (mode, flavour))
        subprocess.run(["heaptrack", "-o", base, driver, mode, flavour, path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        recorded = [f for f in os.listdir(work) if f.startswith(os.path.basename(base) + ".")]
        report = subprocess.run(["heaptrack_print", os.path.join(work, recorded[0])],
                                capture_output=True, text=True, check=True).stdout
        match = re.search(r"peak heap memory consumption: ([\d.]+)([KMGT]?)B?", report)
        scale = {"": 1, "K": 1e3, "M": 1e6, "G": 1e9, "T": 1e12}[match.group(2)]
        result.setdefault("heap_peak", {})[mode] = float(match.group(1)) * scale
        calls = re.search(r"calls to allocation functions: (\d+)", report)
        result.setdefault("allocations", {})[mode] = int(calls.group(1)) if calls else None
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--benchmark", required=True)
    parser.add_argument("--peak", required=True)
    parser.add_argument("--make-file", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--repetitions", type=int, default=10)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    for name in os.listdir(args.work):
        if name.startswith("heaptrack."):
            os.remove(os.path.join(args.work, name))

    results = {}
    print("reader: throughput, allocator as it is", file=sys.stderr, flush=True)
    results["cold"] = throughput(args.benchmark, args.repetitions, {})
    print("reader: throughput, freed memory reused", file=sys.stderr, flush=True)
    results["warm"] = throughput(args.benchmark, args.repetitions,
                                 {"GLIBC_TUNABLES": WARM_TUNABLES})
    print("reader: peak memory at 64 MiB", file=sys.stderr, flush=True)
    results["peak"] = {}
    for flavour in FLAVOURS:
        path = os.path.join(args.work, "%s-%d.ini" % (flavour, SIZE_64M))
        subprocess.run([args.make_file, flavour, str(SIZE_64M), path], check=True)
        results["peak"][flavour] = peak(args.peak, args.work, flavour, args.work)
        os.remove(path)
    with open(args.out, "w") as out:
        json.dump(results, out, indent=1)


if __name__ == "__main__":
    main()
