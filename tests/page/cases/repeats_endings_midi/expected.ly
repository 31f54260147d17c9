\version "2.24.0"

\header {
  tagline = ##f
}

tuneMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 c'1 | \repeat volta 3 {
  d'1 | \repeat volta 3 {
  e'1 } } \alternative { \volta 1,2 { |
  f'1 } \volta 3 { |
  % 5
  g'1 } } \bar "||" |
  a'1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" \with { midiInstrument = "church organ" } <<
      \new Voice = "voice1" { \tuneMusic }
    >>
  >>
  \layout { }
}

\score {
  \unfoldRepeats <<
    \new Staff \with { midiInstrument = "church organ" } <<
      \new Voice { \tuneMusic }
    >>
  >>
  \midi { }
}
