\version "2.24.0"

\header {
  tagline = ##f
}

pianoMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 eis'4 \clef bass g,4 eis'4 \clef treble eis'4 |
  e'1 |
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \pianoMusic }
    >>
  >>
  \layout { }
  \midi { }
}
