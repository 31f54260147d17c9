% Staves in different metres, each with its own timing, and the same clef asked twice: nothing
% is lost, so no warning may come.
\version "2.24.0"
\score {
  <<
    \new Staff = "staff1" << { \time 4/4 c'1 | \clef bass c1 } \\ { \time 4/4 c'1 | \clef bass c1 } >>
    \new Staff = "staff2" { \time 3/4 c'2. | \clef bass c2. | c4 }
  >>
  \layout {
    \context { \Score \remove Timing_translator }
    \context { \Staff \consists Timing_translator }
  }
}
