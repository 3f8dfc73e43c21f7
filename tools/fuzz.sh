#!/bin/bash
# Fuzzing campaigns over the libFuzzer targets of the native build, and the coverage their corpora
# reach.
#
#   tools/fuzz.sh [-j JOBS] [SECONDS] [TARGET...]
#     Builds the targets (build/native), tops up each target's working corpus with its seeds
#     (build/native/fuzz-campaign/TARGET/corpus, kept from run to run, never in the source tree),
#     runs the targets for SECONDS each (default 60), JOBS at once (default: the machine's cores),
#     and prints one line per target: executions, edges, corpus size, and any crash, leak, timeout
#     or out-of-memory input with the first stack frame in our code. Exits 1 when a target found
#     something.
#
#   tools/fuzz.sh --unguided [-j JOBS] [SECONDS] [TARGET...]
#     The same in build/fuzz-unguided, whose libraries carry no libFuzzer counters
#     (NV_FUZZ_UNGUIDED): the figures without guidance, to compare with a campaign (edges there
#     count only the harness; replay its corpus in build/native with -runs=0 to compare edges).
#
#   tools/fuzz.sh --coverage [--seeds] [-j JOBS] [TARGET...]
#     Builds the targets again with source-based coverage and no sanitizers (build/fuzz-coverage),
#     replays each target's working corpus and seeds (with --seeds: the seeds alone) and prints the
#     share of lines and branches reached in every parser file the targets name (PARSERS of
#     nv_fuzzer). Files below 80% of their lines are marked.
#
# Environment: NV_FUZZ_MANIFEST names a target list to use as it is (no build): lines of
# name, program, seed folder, dictionary (or -), parser files (separated by commas), separated by
# tabs (see nv_fuzzer).
# Campaigns work beside the manifest (in fuzz-campaign); NV_FUZZ_CORPORA names another folder of
# TARGET/corpus for --coverage to replay. NV_FUZZ_TIMEOUT is the limit for one input in seconds (default 10).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

usage() { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2; }

mode=campaign
seeds_only=0
jobs=$(nproc)
seconds=60
targets=()
while [ $# -gt 0 ]; do
  case $1 in
    --coverage) mode=coverage ;;
    --seeds) seeds_only=1 ;;
    --unguided) mode=unguided ;;
    -j) shift; jobs=${1:?-j needs a number} ;;
    -j[0-9]*) jobs=${1#-j} ;;
    -h|--help) usage ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; usage ;;
    *)
      if [ ${#targets[@]} -eq 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then seconds=$1; else targets+=("$1"); fi ;;
  esac
  shift
done
input_timeout=${NV_FUZZ_TIMEOUT:-10}

native=$root/build/native
coverage=$root/build/fuzz-coverage
unguided=$root/build/fuzz-unguided
case $mode in coverage) build=$coverage ;; unguided) build=$unguided ;; *) build=$native ;; esac

configure() {
  if [ "$mode" = coverage ]; then
    cmake -S "$root" -B "$coverage" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DNV_NATIVE=ON -DNV_FUZZ_COVERAGE=ON >/dev/null
  elif [ "$mode" = unguided ]; then
    cmake -S "$root" -B "$unguided" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DNV_NATIVE=ON -DNV_FUZZ_UNGUIDED=ON >/dev/null
  else
    cmake --preset native >/dev/null
  fi
}

# The target list: every line of the manifest, or the named ones in the order given.
manifest=${NV_FUZZ_MANIFEST:-}
if [ -z "$manifest" ]; then
  configure
  manifest=$build/fuzz-targets.tsv
fi
work=$(cd "$(dirname "$manifest")" && pwd)/fuzz-campaign
declare -A program seeds dict parsers
all=()
while IFS=$'\t' read -r name bin corpus dictionary files; do
  [ -n "$name" ] || continue
  all+=("$name")
  program[$name]=$bin
  seeds[$name]=$corpus
  dict[$name]=$dictionary
  parsers[$name]=$files
done <"$manifest"
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
for t in "${targets[@]}"; do
  [ -n "${program[$t]:-}" ] || { echo "fuzz.sh: no target $t (known: ${all[*]})" >&2; exit 2; }
done

if [ -z "${NV_FUZZ_MANIFEST:-}" ]; then
  cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$build/fuzz-build.log" 2>&1 ||
    { tail -n 40 "$build/fuzz-build.log"; echo "fuzz.sh: build failed (see $build/fuzz-build.log)" >&2; exit 2; }
fi

symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)

# Runs at most $jobs of the given command at once, one per target.
parallel() {  # function target...
  local fn=$1 t
  shift
  for t in "$@"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    "$fn" "$t" &
  done
  wait
}

# The first frame of the first stack in a log that lies in our sources (not the build folder, where
# the fetched third-party code lives): "function at folder/file.cpp:line".
first_frame() {
  python3 - "$1" "$root" <<'EOF'
import re, sys
log, root = sys.argv[1], sys.argv[2] + "/"
frame = re.compile(r"^\s*#\d+ 0x[0-9a-f]+ in (.*) (\S+?):(\d+)(?::\d+)?$")
with open(log, errors="replace") as f:
    for line in f:
        m = frame.match(line.rstrip("\n"))
        if m and m.group(2).startswith(root) and not m.group(2).startswith(root + "build/"):
            print("%s at %s:%s" % (m.group(1), m.group(2)[len(root):], m.group(3)))
            break
EOF
}

# ---------------------------------------------------------------------------------------------
campaign_one() {
  local t=$1 dir=$work/$1 args
  mkdir -p "$dir/corpus"
  rm -rf "$dir/artifacts" "$dir/log" "$dir/status" "$dir/times" "$dir/cpu"
  mkdir -p "$dir/artifacts"
  find "${seeds[$t]}" -maxdepth 1 -type f -exec cp -n -t "$dir/corpus" {} +
  args=(-max_total_time="$seconds" -timeout="$input_timeout" -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$dir/artifacts/")
  [ "${dict[$t]}" = - ] || args+=(-dict="${dict[$t]}")
  # The processor time the target used (children's user + system, from the shell's times): on a
  # busy machine executions per processor second compare builds better than per wall second.
  (
    cd "$dir"
    status=0
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 ASAN_SYMBOLIZER_PATH="$symbolizer" \
      timeout -k 10 $((seconds * 2 + 120)) "${program[$t]}" "${args[@]}" "$dir/corpus" >"$dir/log" 2>&1 || status=$?
    echo "$status" >"$dir/status"
    times >"$dir/times"
    awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%.1f\n", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' \
      "$dir/times" >"$dir/cpu"
  )
}

campaign_line() {
  local t=$1 dir=$work/$1 execs rate edges corpus cpu status finding=""
  status=$(cat "$dir/status")
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
  edges=$(grep -o ' cov: [0-9]*' "$dir/log" | tail -n 1 | tr -dc 0-9)
  corpus=$(find "$dir/corpus" -type f | wc -l)
  cpu=$(cat "$dir/cpu" 2>/dev/null || echo 0)
  local a kind
  for a in "$dir"/artifacts/*; do
    kind=${a##*/}
    kind=${kind%%-*}
    case $kind in crash|leak|timeout|oom) ;; *) continue ;; esac
    finding="${finding:+$finding; }${kind^^} ${a#"$root"/} in $(first_frame "$dir/log")"
  done
  if [ -z "$finding" ] && [ "$status" != 0 ]; then
    finding="FAILED exit $status without an input (see ${dir#"$root"/}/log)"
  fi
  local per_cpu=?
  [ -z "$execs" ] || per_cpu=$(awk -v e="$execs" -v c="$cpu" 'BEGIN { printf "%d", (c > 0 ? e / c : 0) }')
  printf '%-25s execs %9s %6s/s %6s/cpu-s  edges %5s  corpus %5s  %s\n' "$t" "${execs:-?}" "${rate:-?}" \
    "$per_cpu" "${edges:-?}" "$corpus" "${finding:-ok}"
  [ -z "$finding" ]
}

if [ "$mode" != coverage ]; then
  echo "fuzzing ${#targets[@]} target(s) for $seconds s each, $jobs at once; work in ${work#"$root"/}"
  parallel campaign_one "${targets[@]}"
  found=0
  for t in "${targets[@]}"; do campaign_line "$t" || found=1; done
  exit $found
fi

# ---------------------------------------------------------------------------------------------
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata || true)
llvmcov=$(command -v llvm-cov-14 || command -v llvm-cov || true)
[ -n "$profdata" ] && [ -n "$llvmcov" ] || { echo "fuzz.sh: llvm-profdata-14 and llvm-cov-14 are needed (Debian llvm-14; tools/setup.sh)" >&2; exit 2; }

corpora=${NV_FUZZ_CORPORA:-$native/fuzz-campaign}
profiles=$coverage/profiles
rm -rf "$profiles"
mkdir -p "$profiles"

# Replays in batches; a batch that dies (an input that still crashes) is replayed one input at a
# time, so the others still count.
replay_one() {
  local t=$1 list=$profiles/$1.inputs
  {
    find "${seeds[$t]}" -maxdepth 1 -type f
    [ "$seeds_only" = 1 ] || [ ! -d "$corpora/$t/corpus" ] || find "$corpora/$t/corpus" -maxdepth 1 -type f
  } >"$list"
  NV_BIN=${program[$t]} NV_FAILED=$profiles/$t.failed NV_TIMEOUT=$input_timeout \
    LLVM_PROFILE_FILE="$profiles/$t-%p.profraw" xargs -d '\n' -n 200 sh -c '
      "$NV_BIN" -timeout="$NV_TIMEOUT" -rss_limit_mb=2048 "$@" >/dev/null 2>&1 && exit 0
      for f in "$@"; do "$NV_BIN" -timeout="$NV_TIMEOUT" -rss_limit_mb=2048 "$f" >/dev/null 2>&1 || echo "$f" >>"$NV_FAILED"; done' \
    replay <"$list" || true
}
echo "replaying the corpora of ${#targets[@]} target(s)$([ "$seeds_only" = 1 ] && echo " (seeds only)")"
parallel replay_one "${targets[@]}"
"$profdata" merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"

objects=()
files=()
for t in "${targets[@]}"; do
  objects+=(-object "${program[$t]}")
  IFS=',' read -r -a more <<<"${parsers[$t]}"
  for f in "${more[@]}"; do [ -z "$f" ] || files+=("$f|$t"); done
done
"$llvmcov" export -summary-only -instr-profile="$profiles/all.profdata" "${objects[@]:1}" >"$profiles/summary.json"
python3 - "$profiles/summary.json" "$root" "${files[@]}" <<'EOF'
import json, os, sys
summary, root, named = sys.argv[1], sys.argv[2] + "/", sys.argv[3:]
# A compiler launcher that rewrites paths relative to a base folder (ccache's base_dir) leaves
# names like build/fuzz-coverage/../../x.cpp in the coverage mapping: compare normalised paths.
by_file = {os.path.normpath(f["filename"]): f["summary"] for f in json.load(open(summary))["data"][0]["files"]}
targets = {}
for item in named:
    path, target = item.rsplit("|", 1)
    targets.setdefault(path, []).append(target)
def share(part):
    if not part["count"]:
        return "     -        "
    return "%5.1f%% %7s" % (100.0 * part["covered"] / part["count"], "%d/%d" % (part["covered"], part["count"]))
print("%-48s %-15s %-15s %s" % ("parser file", "lines", "branches", "targets"))
low = 0
for path in sorted(targets):
    s = by_file.get(os.path.normpath(path))
    rel = path[len(root):] if path.startswith(root) else path
    if s is None:
        print("%-48s not reached by any replayed input  %s" % (rel, " ".join(sorted(set(targets[path])))))
        low += 1
        continue
    mark = ""
    if s["lines"]["count"] and 100.0 * s["lines"]["covered"] / s["lines"]["count"] < 80.0:
        mark = "  < 80%"
        low += 1
    print("%-48s %-15s %-15s %s%s" % (rel, share(s["lines"]), share(s["branches"]), " ".join(sorted(set(targets[path]))), mark))
print("%d parser file(s) below 80%% of their lines" % low)
EOF
for f in "$profiles"/*.failed; do
  [ -e "$f" ] || continue
  echo "inputs that failed to replay: $(wc -l <"$f") (listed in ${f#"$root"/})"
done
