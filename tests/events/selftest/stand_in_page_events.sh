#!/usr/bin/env bash
# Stands in for choirly-page-events in the logger's own test: "--ly PIECE.ly" prints the
# hand-written piece, "PIECE.ly" prints its hand-written events (PIECE.events, or the file
# named by CHOIRLY_STAND_IN_MODEL); "--systems LOG PIECE.ly" the same, the systems being in
# the hand-written events too.
set -u
if [ "${1:-}" = --ly ]; then
  cat "$2"
elif [ "${1:-}" = --systems ]; then
  cat "${CHOIRLY_STAND_IN_MODEL:-${3%.ly}.events}"
else
  cat "${CHOIRLY_STAND_IN_MODEL:-${1%.ly}.events}"
fi
