#!/bin/sh
# Every option the simulator accepts must be in its man page, and every one but the help
# options in README.md's simulator table, so that neither falls behind the program.
#   test-simulator-options.sh SIMULATOR MAN_PAGE README
set -eu
simulator=$1 man_page=$2 readme=$3

options=$("$simulator" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || { echo "FAILED: $simulator --help lists no options"; exit 1; }
# The man page writes each hyphen as \-.
documented=$(sed 's/\\-/-/g' "$man_page")
missing=0
for option in $options; do
    if ! printf '%s\n' "$documented" | grep -q -- "$option\\b"; then
        echo "FAILED: $option is not in $man_page"
        missing=$((missing + 1))
    fi
    case $option in --help | --help-all) continue ;; esac
    if ! grep -q -- "^| \`$option\\b" "$readme"; then
        echo "FAILED: $option is not in the simulator table of $readme"
        missing=$((missing + 1))
    fi
done
echo "$(echo "$options" | wc -l) options checked, $missing missing"
[ "$missing" -eq 0 ]
