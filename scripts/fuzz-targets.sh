# Sourced by scripts/test-fuzz and scripts/fuzz-long: reads fuzz/targets into
# fuzz_targets (in order), fuzz_max_len[target] and fuzz_runs[target].
fuzz_targets=()
declare -A fuzz_max_len=() fuzz_runs=()
while read -r name max_len runs; do
  [[ -z $name || $name == \#* ]] && continue
  fuzz_targets+=("$name")
  fuzz_max_len[$name]=$max_len
  fuzz_runs[$name]=$runs
done <fuzz/targets
