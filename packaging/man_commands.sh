#!/usr/bin/env bash
# Writes a help2man include file with a COMMANDS section: the help of every vx42ctl command
# and sub-command, as the program prints it.
#
# man_commands.sh VX42CTL OUT
set -euo pipefail
tool=$1
out=$2

# The commands a help text lists: indented by two blanks, lower-case names.
commands() {
    "$tool" "$@" --help | awk '/^  [a-z][a-z0-9-]*( |$)/ { print $1 }'
}

section() {
    printf '.SS "vx42ctl %s"\n.nf\n' "$*"
    # Lines starting with a dot or a quote would be read as requests.
    "$tool" "$@" --help | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
    printf '.fi\n'
}

{
    printf '[COMMANDS]\n'
    for command in $(commands); do
        subcommands=$(commands "$command")
        if [ -z "$subcommands" ]; then
            section "$command"
        else
            for sub in $subcommands; do section "$command" "$sub"; done
        fi
    done
} >"$out.tmp"
mv "$out.tmp" "$out"
