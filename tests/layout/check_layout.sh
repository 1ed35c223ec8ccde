#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the floors apart; prints each offending file and line and fails.
#   check_layout.sh includes SOURCE_DIR
#       Nothing outside app/ includes the window program, except the program's
#       own tests (tests/app/), the test support that builds it for the other
#       window tests (tests/support/), and bench/.
#   check_layout.sh widgets SOURCE_DIR QT_INCLUDE_DIR
#       No file outside a ui/ folder (and outside app/, tests/, bench/)
#       includes a header of Qt Gui, Widgets or Charts.
#   check_layout.sh mainframe SOURCE_DIR
#       The main window class stays a wiring class: TMainFrm.h and TMainFrm.cpp
#       together hold at most 549 lines; the rest goes to its partial files
#       or to the subsystems' own classes.
set -uo pipefail
mode=$1
src=$(cd "$2" && pwd)
cd "$src"

sources() {
  find . \( -path ./.git -o -path './build*' \) -prune -o \
       -type f \( -name '*.cpp' -o -name '*.h' \) -print | sed 's#^\./##' | sort
}

failures=0
report() { echo "$1: $2"; failures=$((failures + 1)); }

case "$mode" in
includes)
  while IFS= read -r file; do
    case "$file" in
      app/*|bench/*|tests/app/*|tests/support/*) continue ;;
    esac
    while IFS=: read -r line text; do
      report "$file:$line" "includes the window program: $text"
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"app/' "$file")
  done < <(sources)
  ;;
widgets)
  qt=$3
  # Every header name the three modules export, as <Name> or <Module/Name>.
  names=$(for m in QtGui QtWidgets QtCharts; do
            [ -d "$qt/$m" ] && find "$qt/$m" -maxdepth 1 -type f ! -name '*.h' -printf '%f\n'
          done | sort -u)
  [ -n "$names" ] || { echo "no Qt headers under $qt"; exit 2; }
  pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(Qt(Gui|Widgets|Charts)/[^>]+|'"$(echo "$names" | paste -sd'|')"')>'
  mapfile -t files < <(sources | grep -v -E '(^|/)ui/|^(app|tests|bench)/')
  while IFS=: read -r file line text; do
    report "$file:$line" "includes a widget header outside a ui/ folder: $text"
  done < <(grep -n -H -E "$pattern" "${files[@]}")
  ;;
mainframe)
  lines=$(cat app/ui/TMainFrm.h app/ui/TMainFrm.cpp | wc -l)
  [ "$lines" -le 549 ] || report "app/ui/TMainFrm.h + app/ui/TMainFrm.cpp" "$lines lines, more than 549"
  ;;
*)
  echo "usage: check_layout.sh includes|widgets|mainframe SOURCE_DIR [QT_INCLUDE_DIR]"; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then
  echo "$failures layout violation(s)"
  exit 1
fi
echo "layout $mode: no violation"
