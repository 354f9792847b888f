#!/usr/bin/env bash
# The completions of kesto-cli: each script loads in its shell; bash and fish complete
# options, the arguments of --convert, --unknown-ext, --batch and --undo, and offer every
# long option that `kesto-cli --help` lists; the zsh script names each of them.
#   completions.sh SOURCE_DIR KESTO_CLI
set -euo pipefail
# shellcheck source=tests/package/common.sh
. "$(dirname "$0")/common.sh"
source_dir=$1 cli=$2
bash_script=$source_dir/completions/kesto-cli.bash
zsh_script=$source_dir/completions/_kesto-cli
fish_script=$source_dir/completions/kesto-cli.fish
helpers=/usr/share/bash-completion/bash_completion
need zsh fish
[ -r "$helpers" ] || { echo "SKIPPED: bash-completion is not installed"; exit "$SKIPPED"; }

bash -n "$bash_script" || fail "bash -n $bash_script"
zsh -n "$zsh_script" || fail "zsh -n $zsh_script"
fish -n "$fish_script" || fail "fish -n $fish_script"

help_options "$cli" >"$work/options"
[ "$(wc -l <"$work/options")" -ge 30 ] || fail "kesto-cli --help lists too few options"

# A tree to complete in: batch files in either case, other files, folders, and a state
# folder with two journals and a hidden file that is not one.
cd "$work"
mkdir -p tree/sub state/kesto/runs
: >tree/renames.sr
: >tree/UPPER.SR
: >tree/notes.txt
: >state/kesto/runs/20261208-163012.347-4711.journal
: >state/kesto/runs/20261209-080000.001-12.journal
: >state/kesto/runs/.20261209-080000.002-13.journal

# Sets up the words as bash does for the line "WORD...", calls the completion and prints
# COMPREPLY sorted, one a line.
cat >"$work/complete.bash" <<DRIVER
. "$helpers"
. "$bash_script"
COMP_WORDS=("\$@")
COMP_CWORD=\$((\$# - 1))
COMP_LINE="\$*"
COMP_POINT=\${#COMP_LINE}
COMPREPLY=()
_kesto_cli kesto-cli "\${COMP_WORDS[COMP_CWORD]}" "\${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "\${COMPREPLY[@]}" | sort
DRIVER

expect_bash() {
  local expected=$1
  shift
  local got
  got=$(XDG_STATE_HOME=$work/state bash "$work/complete.bash" "$@" 2>&1)
  [ "$got" = "$expected" ] || fail "bash: '$*' completes to '$got', not '$expected'"
}
expect_bash --convert kesto-cli --conv
expect_bash $'dos2mac\ndos2unix' kesto-cli --convert dos
expect_bash $'all-always\nall-session' kesto-cli -s a --unknown-ext all
expect_bash $'tree/UPPER.SR\ntree/renames.sr\ntree/sub' kesto-cli -b tree/
expect_bash tree/sub kesto-cli --dir tree/
expect_bash $'20261208-163012.347-4711\n20261209-080000.001-12' kesto-cli --undo ''
mkdir other
: >other/20261210-090000.000-7.journal
expect_bash 20261210-090000.000-7 kesto-cli --state other --undo 2026
expect_bash 20261208-163012.347-4711 kesto-cli --undo 20261208
expect_bash '' kesto-cli --state "$work/nowhere" --undo ''
expect_bash $'tree/UPPER.SR\ntree/notes.txt\ntree/renames.sr\ntree/sub' kesto-cli -s x tree/
expect_bash '' kesto-cli -s ''
XDG_STATE_HOME=$work/state bash "$work/complete.bash" kesto-cli -- >"$work/bash-options"
comm -23 "$work/options" "$work/bash-options" >"$work/bash-missing"
[ ! -s "$work/bash-missing" ] || fail "bash does not offer: $(tr '\n' ' ' <"$work/bash-missing")"

expect_fish() {
  local expected=$1 line=$2 got
  got=$(XDG_STATE_HOME=$work/state fish --no-config -c \
    "source '$fish_script'; complete -C '$line'" 2>&1 | cut -f1 | sort)
  [ "$got" = "$expected" ] || fail "fish: '$line' completes to '$got', not '$expected'"
}
expect_fish --convert 'kesto-cli --conv'
expect_fish $'dos2mac\ndos2unix' 'kesto-cli --convert dos'
expect_fish $'all-always\nall-session' 'kesto-cli --unknown-ext all'
expect_fish $'tree/UPPER.SR\ntree/renames.sr\ntree/sub/' 'kesto-cli -b tree/'
expect_fish $'20261208-163012.347-4711\n20261209-080000.001-12' 'kesto-cli --undo '
expect_fish 20261210-090000.000-7 'kesto-cli --state other --undo '
XDG_STATE_HOME=$work/state fish --no-config -c "source '$fish_script'; complete -C 'kesto-cli --'" |
  cut -f1 | sort -u >"$work/fish-options"
comm -23 "$work/options" "$work/fish-options" >"$work/fish-missing"
[ ! -s "$work/fish-missing" ] || fail "fish does not offer: $(tr '\n' ' ' <"$work/fish-missing")"

while read -r option; do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" "$zsh_script" || fail "the zsh script lacks $option"
done <"$work/options"
finish
