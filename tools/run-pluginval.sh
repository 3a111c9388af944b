#!/usr/bin/env bash
# Runs the plug-in validator on the built VST 2.4 module and VST3 bundle, as users run it: at
# strictness 10 in its fixed order, then in random orders under fixed seeds (the seeds that once
# found faults first). Builds the validator from ../shared/tools/pluginval (or $PLUGINVAL_SOURCE)
# when that folder exists, and skips with a line saying so otherwise. Run after tools/run-tests.sh,
# which builds the plug-ins into build/.
#
# Every run must pass, except that the VST 2.4 module may fail "Gc not restored on
# setStateInformation" alone: its chunk holds no Gc by design.
set -euo pipefail
# A folder given relative to where the script was started from.
source_dir="${PLUGINVAL_SOURCE:+$(realpath -m "$PLUGINVAL_SOURCE")}"
cd "$(dirname "$0")/.."
source_dir="${source_dir:-../shared/tools/pluginval}"
if [ ! -f "$source_dir/build.sh" ]; then
    echo "pluginval: skipped, no validator source in $source_dir (set PLUGINVAL_SOURCE to its folder)"
    exit 0
fi

vst2=build/VELK.so
vst3=build/VELKFormats_artefacts/Release/VST3/VELK.vst3
for plugin in "$vst2" "$vst3"; do
    [ -e "$plugin" ] || { echo "pluginval: $plugin is not built; run tools/run-tests.sh first" >&2; exit 1; }
done

start=$SECONDS
echo "pluginval: building the validator from $source_dir"
validator="$(bash "$source_dir/build.sh" "$PWD/build/pluginval")"
echo "pluginval: built in $((SECONDS - start)) s"

source tools/display.sh
runs_start=$SECONDS
logs=build/pluginval/logs
mkdir -p "$logs"

# The fixed order (no seed), then the seeds.
vst3_seeds=("" 0x51cc24b 0xcda55e 0x43ef469 0x1 0x2 0x3 0x4 0x5 0x6 0x7 0x8 0x9 0xa)
vst2_seeds=("" 0x51cc24b 0xcda55e 0x43ef469 0x1 0x2 0x3)
accepted_vst2="Gc not restored on setStateInformation"

failures=0
# validate NAME PLUGIN ACCEPTED [SEED]: one run, its log kept; ACCEPTED is the one failure text
# allowed, or empty.
validate() {
    local name=$1 plugin=$2 accepted=$3 seed=${4:-}
    local log="$logs/$name-${seed:-fixed}.log" order=(--strictness-level 10) status=0
    [ -n "$seed" ] && order+=(--randomise --random-seed "$seed")
    timeout 600 "$validator" "${order[@]}" --validate "$plugin" >"$log" 2>&1 || status=$?

    local failed others
    failed=$(grep -c '^!!! Test' "$log" || true)
    others=$(grep '^!!! Test' "$log" | grep -vF "${accepted:-no failure is accepted}" || true)
    if [ "$status" -eq 0 ] && grep -q '^SUCCESS' "$log"; then
        echo "pluginval: $name ${seed:-fixed order}: passed"
    elif [ "$status" -eq 1 ] && [ "$failed" -gt 0 ] && [ -z "$others" ]; then
        echo "pluginval: $name ${seed:-fixed order}: passed but for the accepted \"$accepted\" ($failed)"
    else
        echo "pluginval: $name ${seed:-fixed order}: FAILED (exit $status); the end of $log:"
        grep '^!!!' "$log" | head -20 || true
        tail -5 "$log"
        failures=$((failures + 1))
    fi
}

for seed in "${vst3_seeds[@]}"; do validate VST3 "$vst3" "" "$seed"; done
for seed in "${vst2_seeds[@]}"; do validate VST2.4 "$vst2" "$accepted_vst2" "$seed"; done

echo "pluginval: $(( ${#vst3_seeds[@]} + ${#vst2_seeds[@]} )) runs in $((SECONDS - runs_start)) s, $failures failed; the stage took $((SECONDS - start)) s"
[ "$failures" -eq 0 ]
