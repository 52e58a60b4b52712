#!/usr/bin/env bash
# Writes vozpack's manual page from its own --help texts, so that the two never
# disagree:  make-manpage.sh VOZPACK OUTPUT.1
set -euo pipefail
vozpack=$1 out=$2
# Help text as troff: verbatim lines, with backslashes and leading dots and
# quotes escaped.
verbatim() {
  echo '.nf'
  sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
  echo '.fi'
}
commands=$("$vozpack" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {on = 0}')
{
  echo '.TH VOZPACK 1 "" "vozpack" "User Commands"'
  echo '.SH NAME'
  echo 'vozpack \- build, sign, list, verify and extract Voz setup programs'
  echo '.SH SYNOPSIS'
  for command in $commands; do
    echo ".B vozpack $command"
    echo '[\fIOPTIONS\fR]'
    echo '.br'
  done
  echo '.SH DESCRIPTION'
  "$vozpack" --help | verbatim
  for command in $commands; do
    echo ".SH \"vozpack $command\""
    "$vozpack" "$command" --help | verbatim
  done
  echo '.SH FILES'
  echo '.TP'
  echo '.I /usr/share/vozpack/setup-stub.exe'
  echo 'the Windows setup program that "vozpack build" appends the package to when no \fB\-\-stub\fR is given.'
  echo '.SH SEE ALSO'
  echo '.BR osslsigncode (1)'
} > "$out"
