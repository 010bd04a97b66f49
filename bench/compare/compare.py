#!/usr/bin/env python3
"""Times PwdPolicy's checks and generator against Debian's password-quality
libraries on the same word lists, in one run, and prints medians and ratios.

    bench/compare/compare.py [--rounds N] [--seconds S] [--keep]

Runs as root: it installs the peers from Debian's packages when they are
missing, and our harness loads its configuration from the fixed path inside
a private mount namespace. Builds the component and one small harness per
implementation, packs each list for each peer, then runs every harness once
per round and list, rotating the order each round, so that a slow spell of
the machine falls on every implementation alike. Prints the table, writes it to
bench/compare/results.md and draws bench/compare/ratios.png.

The comparison is optional: nothing in the build or the tests needs it.
"""

import argparse
import datetime
import os
import platform
import random
import shutil
import statistics
import string
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PACKAGES = ["libpwquality-dev", "cracklib-runtime", "libcrack2-dev", "libpasswdqc-dev",
            "passwdqc", "wamerican", "gnuplot-nox", "g++", "cmake", "pkg-config", "libinih-dev"]
AMERICAN = "/usr/share/dict/american-english"
IMPLS = ["ours", "cracklib", "pwquality", "passwdqc"]
PEERS = IMPLS[1:]
LINK = {
    "cracklib": ["-lcrack"],
    "pwquality": ["-lpwquality"],
    "passwdqc": ["-lpasswdqc"],
}
PROBES = 512
SPECIALS = "!#$%&*-_=+?"

# What one call does, for the table's notes.
NOTES = {
    "ours IsWeakPwd": "PPC_IsWeakPwd: trims the password, one hash lookup in the loaded "
                      "dictionary (exact, case-sensitive).",
    "ours IsStrongPwd": "PPC_IsStrongPwd: policy 0 (8..32 bytes, 3 of 4 classes), then "
                        "PPC_IsWeakPwd when the policy is met. Lower-case dictionary words "
                        "fail the class rule and never reach the dictionary.",
    "cracklib": "FascistCheck: length and variety rules, then the password and dozens of "
                "mangled forms of it (case, reversal, plurals, ...) looked up in the packed "
                "dictionary, which it opens and closes on every call.",
    "pwquality": "pwquality_check (minlen=6, no user/GECOS checks): class credits, "
                 "palindrome/rotation rules, then cracklib's FascistCheck as above, then a "
                 "score. pwquality_generate(96 bits) makes a pronounceable password and "
                 "checks it the same way.",
    "passwdqc": "passwdqc_check (min=1,1,1,1,1 so every probe reaches the filter): variety "
                "rules, substring search of its built-in word list, then a lookup in the "
                "binary filter made by pwqfilter from the list, which it opens on every "
                "call. passwdqc_random(96 bits) makes a passphrase of words from its "
                "built-in list, opening /dev/urandom on every call.",
    "ours generate": "PPC_GenSecPwd, 16 characters, from rand() (seeded from the kernel "
                     "once), one allocation.",
}


def log(message):
    print(message, file=sys.stderr, flush=True)


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def ensure_packages():
    missing = [p for p in PACKAGES
               if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True,
                                 text=True).stdout.find("install ok installed") < 0]
    if not missing:
        return
    log("installing: " + " ".join(missing))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    run(["apt-get", "update", "-qq"], env=env)
    run(["apt-get", "install", "-y", "-qq", "--no-install-recommends",
         "-o", "DPkg::Lock::Timeout=600"] + missing, env=env)


def build(work):
    """Builds the component in build-compare/ and the harnesses into `work`."""
    build_dir = os.path.join(ROOT, "build-compare")
    log("building the component in " + build_dir)
    run(["cmake", "-S", ROOT, "-B", build_dir, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
         "-DPWDPOLICY_BUILD_TESTS=OFF", "-DPWDPOLICY_BUILD_JAVA=OFF",
         "-DPWDPOLICY_BUILD_BENCH=OFF"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build_dir, "-j2", "--target", "pwdpolicy"],
        stdout=subprocess.DEVNULL)
    flags = ["g++", "-O2", "-std=c++17", "-Wall", "-Wextra"]
    run(flags + [os.path.join(ROOT, "bench", "DictionaryGen.cpp"),
                 os.path.join(ROOT, "bench", "gen_dictionary.cpp"),
                 "-o", os.path.join(work, "gen_dictionary")])
    harness = os.path.join(HERE, "harness.cpp")
    for impl in IMPLS:
        if impl == "ours":
            # Only the C interface, as a host links it; TestEnv makes the
            # configuration folder private.
            support = os.path.join(ROOT, "tests", "support")
            extra = [os.path.join(support, "TestEnv.cpp"), "-I" + support,
                     "-I" + os.path.join(ROOT, "include"), "-L" + build_dir, "-lpwdpolicy",
                     "-Wl,-rpath," + build_dir]
        else:
            extra = LINK[impl]
        run(flags + ["-DIMPL_" + impl.upper(), harness] + extra +
            ["-o", os.path.join(work, "harness_" + impl)])


def read_list(path):
    with open(path, "rb") as f:
        return [line.rstrip(b"\n").decode("utf-8", "replace") for line in f]


def prepare_list(work, name, path):
    """Packs `path` for each peer and writes the probes; returns the
    harness argument of each implementation and the sizes."""
    words = read_list(path)
    count = len(words)
    prefix = os.path.join(work, name + "-crack")
    log("packing %s (%d entries) for cracklib and passwdqc" % (name, count))
    run(["create-cracklib-dict", "-o", prefix, path], stdout=subprocess.DEVNULL)
    filter_path = os.path.join(work, name + ".pwq")
    with open(path, "rb") as source:
        run(["pwqfilter", "--create=%d" % (count * 105 // 100 + 64), "-o", filter_path],
            stdin=source, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    draw = random.Random(20240611 + len(name))
    known = set(words)
    weak_pool = [w for w in words if 8 <= len(w) <= 20 and w.strip() == w and
                 any(c.isalpha() for c in w)]
    weak = draw.sample(weak_pool, PROBES)
    alphabet = string.ascii_letters + string.digits + SPECIALS
    strong = []
    while len(strong) < PROBES:
        candidate = "".join(draw.choice(alphabet) for _ in range(12))
        if (candidate not in known and any(c.isupper() for c in candidate) and
                any(c.islower() for c in candidate) and any(c.isdigit() for c in candidate) and
                any(c in SPECIALS for c in candidate)):
            strong.append(candidate)
    weak_path = os.path.join(work, name + "-weak.txt")
    strong_path = os.path.join(work, name + "-strong.txt")
    for probe_path, probes in ((weak_path, weak), (strong_path, strong)):
        with open(probe_path, "w") as f:
            f.write("\n".join(probes) + "\n")
    packed = sum(os.path.getsize(prefix + ext) for ext in (".pwd", ".pwi", ".hwm"))
    return {
        "args": {"ours": path, "cracklib": prefix, "pwquality": prefix, "passwdqc": filter_path},
        "probes": (weak_path, strong_path),
        "entries": count,
        "memory": {"cracklib": packed / count, "pwquality": packed / count,
                   "passwdqc": os.path.getsize(filter_path) / count},
    }


def run_rounds(work, lists, rounds, seconds):
    results = {}  # (impl, list, key) -> [values]
    for round_index in range(rounds):
        order = IMPLS[round_index % len(IMPLS):] + IMPLS[:round_index % len(IMPLS)]
        for name, prepared in lists.items():
            for impl in order:
                log("round %d/%d  %-10s %s" % (round_index + 1, rounds, name, impl))
                command = [os.path.join(work, "harness_" + impl), prepared["args"][impl],
                           prepared["probes"][0], prepared["probes"][1], str(seconds)]
                out = subprocess.run(command, check=True, capture_output=True, text=True,
                                     env=dict(os.environ, VC_LOG_FILE="/dev/null")).stdout
                for line in out.splitlines():
                    key, value = line.split(" ", 1)
                    results.setdefault((impl, name, key), []).append(value)
    return results


def median(results, impl, name, key):
    values = results.get((impl, name, key))
    if not values:
        return None
    return statistics.median(float(v) for v in values)


def fmt_ns(value):
    if value is None:
        return "n/a"
    if value >= 1e6:
        return "%.2f ms" % (value / 1e6)
    if value >= 1e3:
        return "%.1f µs" % (value / 1e3)
    return "%.0f ns" % value


def fmt_ratio(value):
    if value is None:
        return "n/a"
    if value < 0.001:
        return "%.1e" % value
    return "%.3f" % value


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return "%s, nproc %d, %s" % (model, os.cpu_count(), platform.release())


def report(results, lists, rounds, seconds, started):
    """`started`: (UTC time, 1-minute load average) when the run began."""
    lines = []
    out = lines.append
    out("Run of %s UTC on %s, load average %.1f at the start; %d rounds, %.2f s of CPU time "
        "per workload and round; medians of the rounds; CPU time per call." %
        (started[0].strftime("%Y-%m-%d %H:%M"), machine(), started[1], rounds, seconds))
    out("")
    out("| workload | list | ours IsWeakPwd | ours IsStrongPwd | cracklib | pwquality | "
        "passwdqc | ours/fastest peer |")
    out("|---|---|---|---|---|---|---|---|")
    ratios = []  # (label, {peer: ratio})
    for kind, label in (("weak", "dictionary password"), ("strong", "non-dictionary password")):
        for name in lists:
            weak_call = median(results, "ours", name, kind + ".IsWeakPwd.ns")
            strong_call = median(results, "ours", name, kind + ".IsStrongPwd.ns")
            ours = max(weak_call, strong_call)
            peers = {p: median(results, p, name, kind + ".check.ns") for p in PEERS}
            fastest = min(v for v in peers.values() if v is not None)
            out("| check, %s | %s | %s | %s | %s | %s | %s | %s |" % (
                label, name, fmt_ns(weak_call), fmt_ns(strong_call),
                fmt_ns(peers["cracklib"]), fmt_ns(peers["pwquality"]),
                fmt_ns(peers["passwdqc"]), fmt_ratio(ours / fastest)))
            ratios.append(("%s\\n%s" % ("weak" if kind == "weak" else "non-dict", name),
                           {p: ours / v for p, v in peers.items() if v is not None}))
    for name in lists:
        gen = {impl: median(results, impl, name, "generate.ns") for impl in IMPLS}
        gen_peers = {p: gen[p] for p in PEERS if gen[p] is not None}
        out("| generate one password | %s | %s | | no generator | %s | %s | %s |" % (
            name, fmt_ns(gen["ours"]), fmt_ns(gen["pwquality"]), fmt_ns(gen["passwdqc"]),
            fmt_ratio(gen["ours"] / min(gen_peers.values()))))
        ratios.append(("generate\\n%s" % name, {p: gen["ours"] / v for p, v in gen_peers.items()}))
    out("")
    out("Ratios ours/peer (below 1: ours is faster; checks use the slower of our two calls):")
    out("")
    out("| workload | vs cracklib | vs pwquality | vs passwdqc |")
    out("|---|---|---|---|")
    for label, by_peer in ratios:
        out("| %s | %s |" % (label.replace("\\n", ", "),
                             " | ".join(fmt_ratio(by_peer.get(p)) for p in PEERS)))
    out("")
    out("Dictionary memory, bytes per entry of the list:")
    out("")
    out("| list | entries | ours, resident growth of PPC_Initialize | cracklib / pwquality packed"
        " files | passwdqc filter file |")
    out("|---|---|---|---|---|")
    for name, prepared in lists.items():
        out("| %s | %d | %.1f | %.1f | %.1f |" % (
            name, prepared["entries"], median(results, "ours", name, "mem.rss_per_entry"),
            prepared["memory"]["cracklib"], prepared["memory"]["passwdqc"]))
    out("")
    out("Judged as expected (first 200 probes, last round):")
    out("")
    for name in lists:
        cells = []
        for impl, keys in (("ours", ["weak.IsWeakPwd", "weak.IsStrongPwd", "strong.IsWeakPwd",
                                     "strong.IsStrongPwd"]),
                           ("cracklib", ["weak.check", "strong.check"]),
                           ("pwquality", ["weak.check", "strong.check"]),
                           ("passwdqc", ["weak.check", "strong.check"])):
            for key in keys:
                values = results.get((impl, name, key + ".expected"))
                if values:
                    cells.append("%s %s %s" % (impl, key, values[-1]))
        out("- %s: %s" % (name, "; ".join(cells)))
    out("")
    out("What one call does:")
    out("")
    for key, note in NOTES.items():
        out("- %s: %s" % (key, note))
    return "\n".join(lines), ratios


def plot(ratios, work, png):
    data = os.path.join(work, "ratios.dat")
    with open(data, "w") as f:
        for label, by_peer in ratios:
            f.write('"%s" %s\n' % (label, " ".join(
                "%g" % by_peer[p] if p in by_peer else "NaN" for p in PEERS)))
    script = """
set terminal pngcairo size 1100,620 font "DejaVu Sans,11"
set output '%s'
set title "PwdPolicy time per call / peer time per call (log scale; lower is better for PwdPolicy)"
set style data histogram
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set bmargin 4
set xrange [-0.6:*]
set logscale y
set yrange [1e-6:10]
set format y "10^{%%L}"
set ylabel "ratio ours / peer"
set grid ytics
set key top right
set arrow from graph 0, first 0.1 to graph 1, first 0.1 nohead lw 2 lc rgb "#c00000"
set label "check target 0.1" at graph 0.01, first 0.14 tc rgb "#c00000"
set arrow from graph 0, first 1 to graph 1, first 1 nohead lw 2 dt 2 lc rgb "#404040"
set label "generation target 1" at graph 0.01, first 1.4 tc rgb "#404040"
plot '%s' using 2:xtic(1) title "vs cracklib" lc rgb "#4e79a7", \\
     '' using 3 title "vs libpwquality" lc rgb "#f28e2b", \\
     '' using 4 title "vs passwdqc" lc rgb "#59a14f"
""" % (png, data)
    run(["gnuplot"], input=script.encode())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=0.3,
                        help="CPU seconds per workload and round")
    parser.add_argument("--keep", action="store_true", help="keep the work directory")
    args = parser.parse_args()

    if os.geteuid() != 0:
        sys.exit("run as root: the peers come from Debian's packages, and our harness makes "
                 "the configuration folder private with a mount namespace")
    ensure_packages()
    started = (datetime.datetime.now(datetime.timezone.utc), os.getloadavg()[0])
    work = tempfile.mkdtemp(prefix="ppc-compare-")
    try:
        build(work)
        generated = os.path.join(work, "generated-1M.txt")
        run([os.path.join(work, "gen_dictionary"), generated])
        lists = {
            "american-english": prepare_list(work, "american-english", AMERICAN),
            "generated-1M": prepare_list(work, "generated-1M", generated),
        }
        results = run_rounds(work, lists, args.rounds, args.seconds)
        table, ratios = report(results, lists, args.rounds, args.seconds, started)
        print(table)
        with open(os.path.join(HERE, "results.md"), "w") as f:
            f.write(table + "\n")
        plot(ratios, work, os.path.join(HERE, "ratios.png"))
        log("wrote %s and %s" % (os.path.join(HERE, "results.md"),
                                 os.path.join(HERE, "ratios.png")))
    finally:
        if args.keep:
            log("work directory kept: " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
