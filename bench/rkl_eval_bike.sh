#!/bin/sh
# Evaluations of the example bicycle through `rkl eval`, each a whole
# process: start, read the product, load the modules, evaluate, print. The
# choices files give each run other choices. With hyperfine installed it
# times each choices file; otherwise it runs each 100 times and reports the
# mean.
#
#     bench/rkl_eval_bike.sh [path to rkl]   # default: build/default/tools/rkl/rkl
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
rkl=${1:-$top/build/default/tools/rkl/rkl}
bike=$top/examples/bike
choices="road,mountain,ebike_cargo"
if [ ! -x "$rkl" ]; then
    echo "rkl_eval_bike.sh: no rkl at $rkl; build it first" >&2
    exit 2
fi
if command -v hyperfine > /dev/null 2>&1; then
    exec hyperfine --warmup 5 --min-runs 50 -N -L choices "$choices" \
        "$rkl eval $bike --choices $bike/choices/{choices}.txt"
fi
runs=100
for name in $(echo "$choices" | tr ',' ' '); do
    start=$(date +%s%N)
    i=0
    while [ $i -lt $runs ]; do
        "$rkl" eval "$bike" --choices "$bike/choices/$name.txt" > /dev/null
        i=$((i + 1))
    done
    end=$(date +%s%N)
    echo "$name: $(((end - start) / runs / 1000)) us per evaluation (mean of $runs)"
done
