#!/bin/sh
# Instructions per iteration of each side of the side-by-side benchmarks, counted by
# callgrind (exact and repeatable, unlike times on a shared machine).
#   bench/count_instructions.sh BUILD_DIR [ITERATIONS]
set -u
build=${1:?build directory}
iterations=${2:-200}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# program  filter  component-function  raw-function  [fixed iterations of the benchmark]
while read -r program filter component raw fixed; do
  n=${fixed:-$iterations}
  ORVALIS_BENCH_ITERATIONS=$iterations valgrind --tool=callgrind --callgrind-out-file="$out/cg" \
    "$build/bench/$program" --benchmark_filter="$filter" >/dev/null 2>&1
  callgrind_annotate --inclusive=yes "$out/cg" 2>/dev/null >"$out/annotated"
  count() { grep -F -- "$1" "$out/annotated" | head -1 | awk '{gsub(",", "", $1); print $1}'; }
  c=$(count "$component")
  r=$(count "$raw")
  awk -v f="$filter" -v c="$c" -v r="$r" -v n="$n" \
    'BEGIN { printf "%-36s component %12.0f  raw %12.0f  ratio %.2f\n", f, c / n, r / n, c / r }'
done <<'LIST'
records_bench BM_CfopsFetchCountWalk/10/ ::CfopsFetchCountWalk( RawSelectStep::operator()
records_bench BM_RecordsetFetchCountWalk/10/ ::RecordsetFetchCountWalk( RawSelectStep::operator()
apuracao_bench BM_IcmsAllMembers/10/ ::AllMembers( RawAllMembers(
engine_bench BM_OpenTableAddRow/2/ ::AdapterOpenTableAddRow( RawOpenTableAddRow::operator()
engine_bench BM_ApuracaoAggregate ::AdapterAggregate( RawAggregate::operator()
records_bench BM_EnterOneRowAt/10000/ CfopCreate::operator() RawSqliteInsert::operator() 3000
LIST
