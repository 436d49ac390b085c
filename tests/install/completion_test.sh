#!/usr/bin/env bash
# Completes kestrova-cli command lines the way bash does with the completion
# installed, and checks what is offered.
# Usage: completion_test.sh COMPLETION_SCRIPT
set -u
source /usr/share/bash-completion/bash_completion
source "$1"

cd "$(mktemp -d)" || exit 1
trap 'rm -rf "$PWD"' EXIT
touch a.rm b.RMVB c.rmvb notes.txt -- -dash.rm
mkdir folder

failures=0
# expect LINE OFFERED: completing LINE (its last word, possibly empty) offers
# exactly the words OFFERED, in any order.
expect()
{
    local line=$1 expected=$2
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _kestrova_cli kestrova-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    expected=$(printf '%s\n' $expected | sort | xargs)
    if [[ $got != "$expected" ]]; then
        echo "FAILED: '$line' offers '$got', not '$expected'"
        failures=$((failures + 1))
    fi
}

expect 'kestrova-cli ' 'list merge append split check repair --help --version'
expect 'kestrova-cli m' 'merge'
expect 'kestrova-cli --v' '--version'
expect 'kestrova-cli list -' '--json --text-encoding --help'
expect 'kestrova-cli list ' '-dash.rm a.rm b.RMVB c.rmvb folder'
expect 'kestrova-cli list --json a' 'a.rm'
expect 'kestrova-cli merge --h' '--helper --help'
expect 'kestrova-cli merge -' '-o --output --helper --quiet --strict --no-sync --no-index --verify --title --author --copyright --comment --name --start --end --keep-timestamps --delay --format --text-encoding --help'
expect 'kestrova-cli check -' '--json --json-lines -r --recursive --jobs --text-encoding --help'
expect 'kestrova-cli list --text-encoding WINDOWS-125' 'WINDOWS-1250 WINDOWS-1251 WINDOWS-1252 WINDOWS-1253 WINDOWS-1254 WINDOWS-1255 WINDOWS-1256 WINDOWS-1257'
expect 'kestrova-cli check --text-encoding G' 'GBK GB18030'
expect 'kestrova-cli merge --text-encoding BIG5 ' '-dash.rm a.rm b.RMVB c.rmvb folder'
expect 'kestrova-cli append --h' '--help'
expect 'kestrova-cli split --s' '--size --strict --start'
expect 'kestrova-cli merge --start ' ''
expect 'kestrova-cli merge --format ' 'mkv rm'
expect 'kestrova-cli split --every 10 ' '-dash.rm a.rm b.RMVB c.rmvb folder'
expect 'kestrova-cli check --jobs ' ''
expect 'kestrova-cli repair -' '-o --output --quiet --no-sync --verify --help'
expect 'kestrova-cli merge --title ' ''
expect 'kestrova-cli merge -o ' '-dash.rm a.rm b.RMVB c.rmvb folder'
expect 'kestrova-cli merge --output c' 'c.rmvb'
expect 'kestrova-cli merge -o out.rm -- -' '-dash.rm'
expect 'kestrova-cli frobnicate ' ''

if ((failures)); then
    echo "$failures completion(s) failed"
    exit 1
fi
echo "every completion offered what it should"
