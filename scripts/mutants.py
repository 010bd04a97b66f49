#!/usr/bin/env python3
"""Seeded faults: how many small mistakes in src/ does the test suite catch?

Applies one mutant at a time (a flipped comparison, a changed constant, a
deleted call), rebuilds in a build directory of its own, runs the normal
ctest suite until the first failure, and puts the source back. Prints
caught/total and the mutants that survived.

    scripts/mutants.py                 every mutant, on this tree
    scripts/mutants.py --list          the list, numbered
    scripts/mutants.py --only 3,7      some of them
    scripts/mutants.py --tree DIR      on another checkout (a snapshot, so
                                       that the working tree stays usable)
    scripts/mutants.py --sample 60 --seed 1
                                       60 faults drawn at random from every
                                       site in src/ instead of the fixed list

The fixed list aims at what matters most; the random sample judges the suite
the way an outsider would, without our choice of faults. Same seed, same
sources: same sample, so two versions of the suite compare side by side.

The suite runs inside a private mount namespace with an empty tmpfs over the
configuration folder: a mutant that crashes a test never reaches the
machine's real configuration. Packaging tests (install_*) are left out: they
check the build tree, not behaviour. Each mutant's own suites run first (its
hint), the rest after, so a caught mutant usually costs a few seconds.

Each edit must match exactly once; one that no longer does (the code moved
on) is reported as stale and counts for nothing: update the list.
"""
import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

CONFIG_DIR = "/usr/local/vesticor/conf"

# (file, text, replacement, hint): `text` must occur exactly once in `file`.
# `hint` is a ctest -R expression for the suites most likely to catch it.
MUTANTS = [
    # check: policy verdicts
    ("src/check/PolicyJudge.cpp", "if (length < policy.minlen) return PPC_TOO_SHORT;",
     "if (length <= policy.minlen) return PPC_TOO_SHORT;", "MatchPolicy|CheckCommand|StrongPwd"),
    ("src/check/PolicyJudge.cpp", "if (length > policy.maxlen) return PPC_TOO_LONG;",
     "if (length >= policy.maxlen) return PPC_TOO_LONG;", "MatchPolicy|CheckCommand|StrongPwd"),
    ("src/check/PolicyJudge.cpp", "if (kClassCount[flags] < policy.minclass) return",
     "if (kClassCount[flags] <= policy.minclass) return", "MatchPolicy|CheckCommand|StrongPwd"),
    ("src/check/PolicyJudge.cpp", "b >= '0' && b <= '9'", "b >= '0' && b < '9'", "MatchPolicy|CheckCommand|StrongPwd"),
    ("src/check/PolicyJudge.cpp", "if ((flags & ByteTable::kOutsideSet) != 0) return PPC_BAD_SPECIAL_CHAR;",
     "if ((flags & ByteTable::kOutsideSet) == 0) return PPC_BAD_SPECIAL_CHAR;", "MatchPolicy|CheckCommand|StrongPwd"),
    ("src/check/PolicyJudge.cpp", "2, 3, 2, 3, 3, 4};", "2, 3, 2, 3, 3, 3};", "MatchPolicy|CheckCommand|StrongPwd"),
    # check: weak and strong
    ("src/capi/Checks.cpp", " && verdict != PPC_TOO_LONG", "", "StrongPwd|WeakPwd|StrongCommand"),
    ("src/capi/Checks.cpp", "if (!weak) *isStrong = 1;", "if (weak) *isStrong = 1;", "StrongPwd|WeakPwd|StrongCommand"),
    ("src/capi/Checks.cpp", "if (pwd == nullptr) return PPC_ERR_BAD_ARGUMENT;\n    // Searched",
     "// Searched", "StrongPwd|WeakPwd|MatchPolicy"),
    # check: dictionary
    ("src/check/Trim.h", "if (!s.empty() && s.back() == '\\r') s.remove_suffix(1);", "",
     "WeakPwdDic|WeakPwd|Loaded"),
    ("src/check/Trim.h", "return s.substr(first, last - first + 1);",
     "return s.substr(first, last - first);", "WeakPwdDic|WeakPwd|Loaded"),
    ("src/check/WeakPwdDic.cpp", "if (entry.empty()) return false;", "if (entry.empty()) return true;",
     "WeakPwdDic|WeakPwd|Loaded"),
    ("src/check/WeakPwdDic.cpp", "if (kept != 0 && !collector.Add(", "if (kept == 0 && !collector.Add(",
     "WeakPwdDic|WeakPwd|Loaded"),
    ("src/support/InputFile.cpp", "if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {",
     "if (fstat(fd_, &info) != 0) {", "WeakPwdDic|Loaded|PolicyConfig|Initialize"),
    ("src/check/WeakPwdDic.cpp", "if (got < 0) return {line + 1, true};", "if (got < 0) break;", "InputFile"),
    ("src/check/WeakPwdIndex.cpp", "if ((seen & tagMask) == tag && EntryAt(seen, tagMask) == *item.entry) break;",
     "if ((seen & tagMask) == tag) break;", "WeakPwdDic|WeakPwd"),
    ("src/check/WeakPwdIndex.cpp", "for (size_t slot = HomeOf(hash, capacity_);; slot = slot + 1 == capacity_ ? 0 : slot + 1) {",
     "for (size_t slot = HomeOf(hash, capacity_);; slot = slot + 2 >= capacity_ ? 0 : slot + 2) {", "WeakPwdDic|WeakPwd"),
    # policy: configuration store
    ("src/policy/PolicyCfg.cpp", "constexpr size_t kSectionIdOffset = 6;",
     "constexpr size_t kSectionIdOffset = 7;", "PolicyConfig|GetPolicy"),
    ("src/policy/PolicyCfg.cpp", "defaultPolicy != nullptr ? *defaultPolicy : FallbackPolicy(id)",
     "FallbackPolicy(id)", "PolicyConfig|GetPolicy"),
    ("src/policy/PolicyCfg.cpp", "id == 0 ? kFallbackMaxLenDefault : kFallbackMaxLenOther",
     "id != 0 ? kFallbackMaxLenDefault : kFallbackMaxLenOther", "PolicyConfig|GetPolicy"),
    ("src/support/InputFile.cpp", "if (errno == EINTR) continue;", "", "InputFile"),
    ("src/policy/PolicyCfg.cpp", "target.maxlen = record.maxlen;\n", "", "PolicyConfig|ReloadTick|GetPolicy"),
    ("src/capi/Policies.cpp", "lenArray[3] = policy->record.allowminlen;",
     "lenArray[3] = policy->record.allowminclass;", "GetPolicy|PolicyCommand"),
    ("src/capi/Policies.cpp", "*specialChar = kFallbackSpecialChars;\n    return PPC_ERR_NO_POLICY;",
     "*specialChar = kFallbackSpecialChars;\n    return PPC_OK;", "GetPolicy|PolicyCommand"),
    # generate
    ("src/generate/GenSecPwd.cpp", "constexpr int32_t kMinRequestedLength = 6;",
     "constexpr int32_t kMinRequestedLength = 5;", "GenSecPwd|GenCommand"),
    ("src/generate/GenSecPwd.cpp", "if (specialCount > 0 && !specialPlaced) {",
     "if (specialCount > 0) {", "GenSecPwd|GenCommand"),
    ("src/generate/GenSecPwd.cpp", "const int32_t j = rand() % length;",
     "const int32_t j = rand() % (length - 1);", "GenSecPwd|GenCommand"),
    ("src/generate/GenSecPwd.cpp", "*pwdLen = static_cast<unsigned int>(policy->record.minlen);",
     "*pwdLen = static_cast<unsigned int>(policy->record.maxlen);", "GenSecPwd|GenCommand"),
    # lifecycle
    ("src/lifecycle/Loader.cpp", "dataInForce.Publish(MakeSnapshot(", "(MakeSnapshot(",
     "ReloadTick|ReloadStress|Initialize"),
    ("src/lifecycle/Lifecycle.cpp", "CloseFileMonitor();\n    StopTimer();", "StopTimer();",
     "Finalize|ReloadTick|Initialize|Fork"),
    ("src/lifecycle/Lifecycle.cpp", "if (InitData() != 0) return PPC_ERR_DATA_LOAD;",
     "if (InitData() == kConfigUnreadable) return PPC_ERR_DATA_LOAD;", "Initialize|Loaded"),
    ("src/lifecycle/DataGuard.cpp", "readerSlots[index].claimed.store(0, std::memory_order_release);\n}",
     "}", "DataGuard"),
    ("src/lifecycle/DataGuard.cpp", "WaitUntilZero(sharedReaders);\n}", "}", "DataGuard"),
    ("src/lifecycle/DataGuard.cpp",
     "readerSlots[index].active.store(index == own ? inSection : 0, std::memory_order_relaxed);", "",
     "DataGuard|Fork"),
    # monitor
    ("src/lifecycle/Reloader.cpp", "\"File was deleted\\n\\n\");\n        return EventAction::kReloadAndRenew;",
     "\"File was deleted\\n\\n\");\n        return EventAction::kReload;", "ReloadTick|WatchCommand"),
    ("src/lifecycle/Reloader.cpp", "setting.it_interval.tv_sec = period;", "", "InitTimer|ReloadTick"),
    ("src/lifecycle/Reloader.cpp", "__atomic_store_n(&timerLock, 0, __ATOMIC_RELEASE);",
     "__atomic_store_n(&timerLock, 1, __ATOMIC_RELEASE);", "ReloadTick|InitTimer"),
    ("src/monitor/FileMonitor.cpp", "if (!AddOneWatch(dicFile, gDicFileWd)) result = kWatchFailed;", "",
     "ReloadTick|AddFileWatch|Initialize"),
    # support and JNI
    ("src/support/Log.cpp", "return level != PPC_LOG_DEBUG ||", "return level == PPC_LOG_DEBUG ||", "LogLine|Hygiene"),
    ("src/jni/PwdPolicyJni.cpp", "PPC_IsStrongPwd(pwd.Chars(), &isStrong);",
     "PPC_IsWeakPwd(pwd.Chars(), &isStrong);", "Java"),
    # Java binding
    ("src/jni/JavaRefs.cpp", "env_->ReleaseIntArrayElements(array_, elements_, 0);",
     "env_->ReleaseIntArrayElements(array_, elements_, JNI_ABORT);", "Java"),
    ("src/jni/PwdPolicyJni.cpp", "    free(pwd);\n", "", "Java"),
    ("src/jni/ResultObject.cpp", "if (array == nullptr) {", "if (false) {", "Java"),
    ("src/jni/PwdPolicyJni.cpp",
     "pwd.Chars(), policyId, static_cast<unsigned int>(specialCharCheckInd), &verdict);",
     "pwd.Chars(), specialCharCheckInd, static_cast<unsigned int>(policyId), &verdict);", "Java"),
    ("src/jni/PwdPolicyJni.cpp", "PPC_Initialize(confFile.Chars(), timerStartInd, weakPwdUseInd);",
     "PPC_Initialize(confFile.Chars(), weakPwdUseInd, timerStartInd);", "Java"),
    ("src/jni/PwdPolicyJni.cpp",
     "            PPC_LOG_ERROR(kGetPolicy, \"call PPC_GetPolicy result= %i\\n\", static_cast<int>(code));\n",
     "", "Java"),
    ("src/jni/JavaRefs.cpp", "    if (text == nullptr) {", "    if (false) {", "Java"),
    # generate and breach
    ("src/generate/GenCryptoPwd.cpp", "if (size > classStart[classCount]) ++classCount;", "",
     "GenCryptoPwd|GenCommand"),
    ("src/generate/GenCryptoPwd.cpp", "return static_cast<uint32_t>(2 * static_cast<int64_t>(length) - t);",
     "return static_cast<uint32_t>(2 * static_cast<int64_t>(length) - t - 1);", "GenCryptoPwd|GenCommand"),
    ("src/generate/GenCryptoPwd.cpp", "\"Call GenCryptoPwd failed : %d\\n\"",
     "\"Call GenSecPwd failed : %d\\n\"", "GenCryptoPwd|GenCommand"),
    ("src/generate/GenSecPwd.cpp", "if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 0);",
     "if (!InitFlagIsSet()) PPC_Initialize(nullptr, 0, 1);", "GenSecPwd|GenCryptoPwd|GenCommand"),
    ("src/generate/GenSecPwd.cpp", "if (static_cast<int32_t>(*pwdLen) < kMinRequestedLength) {",
     "if (*pwdLen < 6u) {", "GenSecPwd|GenCryptoPwd|GenCommand"),
    ("src/breach/BreachTable.cpp", "Describe(size < header.fileBytes ? \"truncated\"",
     "Describe(size > header.fileBytes ? \"truncated\"", "Breach"),
    ("src/breach/BreachTable.cpp", "if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {\n        *problem = \"not",
     "if (fstat(fd, &info) != 0) {\n        *problem = \"not", "Breach"),
    ("src/breach/KeyPartitioner.cpp", "if (sum >= minCount) keys.push_back(records[i].key);",
     "if (sum > minCount) keys.push_back(records[i].key);", "Breach"),
    ("src/breach/BreachTable.cpp", "if (placement_.Priority(start, windowLast) >= ThresholdOf(block)) {",
     "if (placement_.Priority(start, windowLast) > ThresholdOf(block)) {", "BreachFormat"),
    ("src/breach/BreachTable.cpp", "word.fetch_or(uint64_t{sound ? 1u : 3u} << shift",
     "word.fetch_or(uint64_t{sound ? 1u : 1u} << shift", "BreachFormat"),
    ("src/breach/BreachTable.cpp", "            if (lastPage != page && !PageIsIntact(lastPage)) return Lookup::kDamaged;\n",
     "", "BreachFormat"),
    ("src/breach/Placement.cpp", "std::max(low, boundary - kRibbonWidth + 1);",
     "std::max(low, boundary - kRibbonWidth + 2);", "Placement"),
    ("src/breach/RibbonSolver.cpp", "while (keep > 0 && keys[keep - 1].priority < kThresholds[level]) --keep;",
     "while (keep > 0 && keys[keep - 1].priority <= kThresholds[level]) --keep;", "BreachFormat"),
    ("src/breach/TableSet.cpp", "if (found.size() == kMaxTablesInSet)", "if (found.size() > kMaxTablesInSet)",
     "TableSet"),
    # check and policy
    ("src/policy/PolicyCfg.cpp", "at = text.find(kWord, at + 2);", "at = text.find(kWord, at + 1);",
     "PolicyConfig|GetPolicy"),
    ("src/policy/PolicyCfg.cpp", "strtol(text, nullptr, 10)", "strtol(text, nullptr, 0)", "PolicyConfig|GetPolicy"),
    ("src/policy/PolicyCfg.cpp", "PPC_LOG_INFO(\"HandlerCfgVal\", \"unknown section %s\\n\", section);", "",
     "PolicyConfig"),
    ("src/policy/PolicyCfg.cpp", "if (copy->outOfMemory_) parsed = kOutOfMemory;", "", "PolicyConfig"),
    ("src/policy/ConfigReader.cpp", "if (kind == LineKind::kSection) reader->ignoredHeaderLine_ = number;", "",
     "PolicyConfig"),
    ("src/lifecycle/Snapshot.cpp", "return texts.insert(text).first->c_str();",
     "return std::string(texts.insert(text).first->c_str()).c_str();", "GetPolicy"),
    ("src/capi/Checks.cpp", "specialCharCheckInd > 1", "specialCharCheckInd > 2", "MatchPolicy|StrongPwd"),
    ("src/check/WeakPwdDic.cpp", "if (buffer.size() - kept < kReadChunk / 2) buffer.resize(buffer.size() * 2);", "",
     "WeakPwdDic|WeakPwd"),
    # support, hardening, install
    ("src/support/Log.cpp", "local.tm_year - 100", "local.tm_year - 99", "LogLine"),
    ("src/support/Log.cpp", "local.tm_mon + 1", "local.tm_mon", "LogLine"),
    ("src/support/Log.cpp", "local.tm_min,     local.tm_sec}", "local.tm_min,     local.tm_min}", "LogLine"),
    ("standins/vc-tidesafe/vc_tidesafe.c", "return (int)(destMax - 1);", "return (int)destMax;",
     "SnprintfTruncated|LogLine"),
    ("src/libpwdpolicy.map", "      \"InitData()\";\n", "      \"InitData()\";\n      PpcLog*;\n", "exported_symbols"),
    ("src/capi/Lookups.cpp", "return data.dictionary.Contains(pwd); }",
     "return data.dictionary.Contains(std::string(pwd)); }", "Hygiene"),
    ("src/support/InputFile.cpp", "open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)",
     "open(path.c_str(), O_RDONLY | O_CLOEXEC)", "Loaded"),
    ("src/lifecycle/Reloader.cpp", "if (!recovery) break;", "break;", "Recovery"),
    # ppc tool and PAM
    ("tools/ppc/CheckCommands.cpp", "status = std::max(status, answer.status);", "status = answer.status;",
     "CheckCommand"),
    ("tools/ppc/Output.h", "kExitFailure = 3,", "kExitFailure = 4,", "CheckCommand|GenCommand"),
    ("tools/ppc/main.cpp", "->check(CLI::Range(6u, 65536u));", "->check(CLI::Range(5u, 65536u));",
     "GenCommand"),
    ("pam/pam_pwdpolicy.cpp", "(getuid() == 0 && !options.enforceForRoot)", "(getuid() == 0)", "PamModule"),
    ("pam/ModuleOptions.cpp", "ParseInt(value, 1, kMaxRetry, &options->retry)",
     "ParseInt(value, 0, kMaxRetry, &options->retry)", "PamModule"),
    ("pam/pam_pwdpolicy.cpp", "if (got == PAM_TRY_AGAIN) continue;",
     "if (got == PAM_TRY_AGAIN) return PAM_AUTHTOK_ERR;", "PamModule"),
    ("src/diagnose/ConfigDiagnosis.cpp", "if (sections.size() < 2) continue;",
     "if (sections.size() < 3) continue;", "ConfigCheck"),
    ("src/diagnose/ConfigDiagnosis.cpp", "} else if (store_.timerInterval <= 0) {",
     "} else if (store_.timerInterval < 0) {", "ConfigCheck"),
    # reload and lifecycle
    ("src/lifecycle/Reloader.cpp", "\"File was removed\\n\\n\");\n        return EventAction::kReloadAndRenew;",
     "\"File was removed\\n\\n\");\n        return EventAction::kReload;", "ReloadTick"),
    ("src/lifecycle/Reloader.cpp", "if (!reloaded) Reload();", "Reload();", "ReloadTick"),
    ("src/lifecycle/Reloader.cpp", "__ATOMIC_ACQUIRE) == 1) {", "__ATOMIC_ACQUIRE) == 2) {", "ReloadTick"),
    ("src/lifecycle/Reloader.cpp", "offset <= count - kEventHeaderSize;", "offset < count - kEventHeaderSize;",
     "ReloadTick"),
    ("src/lifecycle/Reloader.cpp", "if (hostRunsTicks.load(std::memory_order_relaxed)) return;", "",
     "ReloadTick"),
    ("src/monitor/FileMonitor.cpp", "read(MonitorIsOurs() ? gMonitorFd : -1, buffer", "read(gMonitorFd, buffer",
     "Fork"),
    ("src/lifecycle/Reloader.cpp", "(void)sigaction(SIGALRM, &previousAlarmAction, nullptr);",
     "(void)signal(SIGALRM, SIG_DFL);", "Unload"),
    ("src/lifecycle/Lifecycle.cpp", "CloseFileMonitor();\n            return PPC_ERR_TIMER;",
     "return PPC_ERR_TIMER;", "InitTimer"),
]


# Operators of the random sample: (pattern, replacement) applied to one match.
SAMPLE_OPERATORS = [
    (r" < ", " <= "), (r" <= ", " < "), (r" > ", " >= "), (r" >= ", " > "),
    (r" == ", " != "), (r" != ", " == "), (r" && ", " || "), (r" \|\| ", " && "),
    (r"\breturn true;", "return false;"), (r"\breturn false;", "return true;"),
    (r"\(!(?=[A-Za-z_(])", "("),
]
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CALL_STATEMENT = re.compile(r"^\s*(?!return\b|delete\b|throw\b|case\b|goto\b)"
                            r"[A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*\s*(?:\(.*\)|[-+*/|&]?= .*);\s*$")


def sample_sites(tree):
    """Every (path, line number, mutated line) in src/ outside comments and
    string literals, in a fixed order."""
    sites = []
    for root, dirs, files in os.walk(os.path.join(tree, "src")):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.relpath(os.path.join(root, name), tree)
            with open(os.path.join(tree, path)) as f:
                lines = f.read().split("\n")
            for number, line in enumerate(lines, 1):
                code = line.split("//")[0]
                stripped = code.strip()
                if not stripped or stripped.startswith(("*", "/*", "#")) or '"' in code or "'" in code:
                    continue
                for pattern, replacement in SAMPLE_OPERATORS:
                    for match in re.finditer(pattern, code):
                        sites.append((path, number, code[:match.start()] + replacement + code[match.end():]))
                for match in INTEGER.finditer(code):
                    value = int(match.group(1))
                    new = str(value - 1 if value == 1 else value + 1)
                    sites.append((path, number, code[:match.start()] + new + code[match.end():]))
                if CALL_STATEMENT.match(code):
                    sites.append((path, number, ""))
    return sites


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


def run(cmd, log, timeout=None, **kwargs):
    """Runs `cmd` in a process group of its own; kills the group on timeout."""
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(cmd)}\n")
        out.flush()
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, start_new_session=True, **kwargs)
        try:
            return proc.wait(timeout=timeout)
        except BaseException:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            raise


def ctest(build, args, log, timeout):
    """ctest in `build`, inside a private mount namespace with an empty
    configuration folder. True when every selected test passed."""
    inner = (f"mkdir -p {CONFIG_DIR} && mount -t tmpfs ppc-mutants {CONFIG_DIR} && "
             f"exec ctest --test-dir {build} --stop-on-failure --no-tests=ignore -E '^install_' "
             f"-j{os.cpu_count() or 2} --timeout 120 " + " ".join(args))
    cmd = ["unshare", "-m", "--propagation", "private", "sh", "-c", inner]
    try:
        return run(cmd, log, timeout=timeout) == 0
    except subprocess.TimeoutExpired:
        return False


def clear_logs(build):
    logs = os.path.join(build, "test-logs")
    if os.path.isdir(logs):
        for name in os.listdir(logs):
            os.unlink(os.path.join(logs, name))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--build", default=None, help="build directory (default TREE/build-mutants)")
    parser.add_argument("--only", default=None, help="comma-separated mutant numbers")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--sample", type=int, default=0, help="this many random faults instead of the list")
    parser.add_argument("--seed", type=int, default=1, help="seed of the random sample")
    parser.add_argument("--skip-clean-run", action="store_true", help="do not first check the suite passes")
    parser.add_argument("--timeout", type=int, default=1500, help="seconds a mutant's suite may take")
    opts = parser.parse_args()

    tree = os.path.abspath(opts.tree)
    if opts.sample:
        every_site = sample_sites(tree)
        sites = random.Random(opts.seed).sample(every_site, opts.sample)
        numbered = [(n, (path, number, new, ".")) for n, (path, number, new) in enumerate(sites, 1)]
    else:
        numbered = list(enumerate(MUTANTS, 1))
    if opts.list:
        for n, (path, old, new, _) in numbered:
            print(f"{n:3} {path}: {old!r} -> {new!r}")
        if opts.sample:
            print(f"({len(every_site)} sites in all)")
        return 0
    if opts.only:
        wanted = {int(n) for n in opts.only.split(",")}
        numbered = [m for m in numbered if m[0] in wanted]

    build = os.path.abspath(opts.build or os.path.join(tree, "build-mutants"))
    os.makedirs(build, exist_ok=True)
    log = os.path.join(build, "mutants.log")
    backup_dir = os.path.join(build, "mutant-backup")

    # A run killed outright (SIGKILL) left its mutant in place: restore it.
    if os.path.isdir(backup_dir):
        for root, _, files in os.walk(backup_dir):
            for name in files:
                saved = os.path.join(root, name)
                rel = os.path.relpath(saved, backup_dir)
                shutil.copyfile(saved, os.path.join(tree, rel))
                print(f"restored {rel} left by an earlier run")
        shutil.rmtree(backup_dir)

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, on_signal)

    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        if run(["cmake", "-S", tree, "-B", build, "-DPWDPOLICY_BUILD_BENCH=OFF",
                "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"], log) != 0:
            sys.exit(f"configure failed; see {log}")
    build_cmd = ["cmake", "--build", build, f"-j{os.cpu_count() or 2}"]
    if run(build_cmd, log) != 0:
        sys.exit(f"the unmutated tree does not build; see {log}")
    start = time.time()
    if not opts.skip_clean_run:
        clear_logs(build)
        if not ctest(build, [], log, opts.timeout):
            sys.exit(f"the suite fails without any mutant; see {log}")
        print(f"clean run passed in {time.time() - start:.0f} s", flush=True)

    caught, survived, stale, broken = [], [], [], []
    for n, (path, old, new, hint) in numbered:
        source = os.path.join(tree, path)
        with open(source) as f:
            original = f.read()
        if isinstance(old, int):  # a sampled site: a line number and its new text
            lines = original.split("\n")
            lines[old - 1], old = new, lines[old - 1]
            mutated = "\n".join(lines)
        elif original.count(old) != 1:
            print(f"#{n:<3} STALE     {path}: {original.count(old)} matches for {old!r}", flush=True)
            stale.append(n)
            continue
        else:
            mutated = original.replace(old, new)
        saved = os.path.join(backup_dir, path)
        os.makedirs(os.path.dirname(saved), exist_ok=True)
        shutil.copy2(source, saved)
        began = time.time()
        try:
            with open(source, "w") as f:
                f.write(mutated)
            if run(build_cmd, log) != 0:
                verdict = "BROKEN"
            else:
                clear_logs(build)
                # Its own suites first, then the others; caught = any failure.
                verdict = "caught"
                if ctest(build, ["-R", f"'{hint}'"], log, opts.timeout) and \
                   ctest(build, ["-E", f"'{hint}'"], log, opts.timeout):
                    verdict = "SURVIVED"
        finally:
            with open(source, "w") as f:
                f.write(original)
            os.unlink(saved)
        {"caught": caught, "SURVIVED": survived, "BROKEN": broken}[verdict].append(n)
        print(f"#{n:<3} {verdict:<9} {time.time() - began:5.0f} s  {path}: {old!r} -> {new!r}", flush=True)
    shutil.rmtree(backup_dir, ignore_errors=True)
    # Rebuild the restored tree, so that the build directory matches it.
    run(build_cmd, log)

    total = len(caught) + len(survived)
    print(f"\ncaught {len(caught)}/{total} ({100.0 * len(caught) / max(total, 1):.0f}%) "
          f"in {time.time() - start:.0f} s")
    print("survivors:", " ".join(f"#{n}" for n in survived) or "none")
    if stale:
        print("stale (no longer match once; update the list):", " ".join(f"#{n}" for n in stale))
    if broken:
        print("did not build:", " ".join(f"#{n}" for n in broken))
    return 0 if not stale and not broken else 2


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Interrupted as error:
        sys.exit(f"interrupted ({error}); source restored")
