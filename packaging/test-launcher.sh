#!/bin/sh
# Runs the configured launcher in a scratch installation whose tool is a stand-in that reports
# the folder it was started from, whether the tool would find Qm/Chinese.qm there, and its
# arguments.
#   test-launcher.sh LAUNCHER SCRATCH_DIR APP_SUBDIR QM_SUBDIR
set -eu
launcher=$1 root=$2 app_subdir=$3 qm_subdir=$4

rm -rf "$root"
mkdir -p "$root/bin" "$root/$app_subdir" "$root/$qm_subdir/Qm"
cp "$launcher" "$root/bin/tr451-test-tools"
chmod 755 "$root/bin/tr451-test-tools"
: >"$root/$qm_subdir/Qm/Chinese.qm"
cat >"$root/$app_subdir/TR451TestTools" <<'EOF'
#!/bin/sh
if [ -f Qm/Chinese.qm ]; then echo Chinese; else echo English; fi
pwd -P
for argument in "$@"; do echo "[$argument]"; done
EOF
chmod 755 "$root/$app_subdir/TR451TestTools"
root=$(cd "$root" && pwd -P)
installed=$root/bin/tr451-test-tools

failures=0
# check WHAT WANTED OUTPUT: one case, passed when the stand-in printed what was wanted.
check() {
    if [ "$3" = "$2" ]; then
        echo "ok: $1"
    else
        printf 'FAILED: %s\n  wanted:\n%s\n  the stand-in printed:\n%s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

# expect LANGUAGE [VAR=VALUE...]: the launcher, started with only these locale variables set,
# must start the tool in LANGUAGE from a folder of the scratch installation.
expect() {
    language=$1
    shift
    case $language in
        Chinese) folder=$root/$qm_subdir ;;
        *) folder=$root/$app_subdir ;;
    esac
    check "${*:-no locale variable} -> $language" "$(printf '%s\n%s' "$language" "$folder")" \
        "$(env -i PATH="$PATH" "$@" "$installed")"
}

expect Chinese LC_ALL=zh_CN.UTF-8
expect English LC_ALL=C LANG=zh_CN.UTF-8
expect Chinese LC_ALL= LC_MESSAGES=zh_TW.UTF-8 LANG=en_US.UTF-8
expect Chinese LANG=zh_CN.UTF-8
expect English LANG=en_US.UTF-8
expect English
expect English LC_MESSAGES=C LANG=zh_CN
expect English LC_ALL=en_GB.UTF-8 LC_MESSAGES=zh_CN.UTF-8

# Arguments reach the tool unchanged, spaces and empty ones included.
check "arguments passed through" \
    "$(printf 'English\n%s\n[-style]\n[fusion]\n[two words]\n[]' "$root/$app_subdir")" \
    "$(env -i PATH="$PATH" LANG=en_US.UTF-8 "$installed" -style fusion 'two words' '')"

echo "$failures failed"
[ "$failures" -eq 0 ]
