#!/usr/bin/env bash
# Stands in for choirly-page-events in the logger's own test: "--ly PIECE.ly" prints the
# hand-written piece, "PIECE.ly" prints its hand-written events (PIECE.events, or the file
# named by CHOIRLY_STAND_IN_MODEL).
set -u
if [ "${1:-}" = --ly ]; then
  cat "$2"
else
  cat "${CHOIRLY_STAND_IN_MODEL:-${1%.ly}.events}"
fi
