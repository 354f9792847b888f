#!/usr/bin/env bash
# kesto-cli --diff over the benchmark tree, applied with git apply and with kesto-cli
# --apply-diff, must give byte for byte the tree the real run writes (its backups aside).
#   preview-corpus.sh MAKE_CORPUS KESTO_CLI
set -euo pipefail
make_corpus=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n' > k.INI

"$make_corpus" --tree-only previewed
"$cli" --ini k.INI -q --diff -c -s planted -r replaced -d previewed/tree -R > tree.diff
changed=$(grep -c '^+++ b/' tree.diff)
[ "$changed" -gt 100 ] || { echo "only $changed files in the diff" >&2; exit 1; }
git apply --whitespace=nowarn tree.diff

"$make_corpus" --tree-only run
mv previewed/tree previewed/applied
"$cli" --ini k.INI -q -c -s planted -r replaced -d run/tree -R > /dev/null
diff -r -q previewed/applied run/tree

mkdir kesto
"$make_corpus" --tree-only kesto/previewed
(cd kesto && "$cli" --ini ../k.INI -q --apply-diff ../tree.diff > /dev/null)
diff -r -q kesto/previewed/tree run/tree
echo "$changed files: the diff applied by git and by kesto-cli gives the run's tree"
