#!/usr/bin/env bash
# Checks that the manual page exists and that groff formats it without a single warning.
# Exit status 77 (reported as skipped) when groff is not installed.
set -u
page=$1
if ! command -v groff >/dev/null 2>&1; then
  echo "SKIP groff is not installed"
  exit 77
fi
if [ ! -s "$page" ]; then
  echo "FAIL no manual page at $page"
  exit 1
fi
warnings=$(groff -man -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "FAIL groff -man -ww -z $page printed:"
  echo "$warnings"
  exit 1
fi
for section in NAME SYNOPSIS DESCRIPTION OPTIONS MESSAGES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
  if ! grep -q "^\.SH \"\?$section\"\?\$" "$page"; then
    echo "FAIL $page has no $section section"
    exit 1
  fi
done
echo "PASS $page formats without warnings and has every section"
