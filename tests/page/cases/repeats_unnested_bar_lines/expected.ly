\version "2.24.0"

\header {
  tagline = ##f
}

barsMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 c'1 | \bar ".|:"
  d'1 | \bar ".|:"
  e'1 | \bar ":|." \set Score.repeatCommands = #'((volta "2."))
  f'1 \set Score.repeatCommands = #'((volta #f))
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \barsMusic }
    >>
  >>
  \layout { }
  \midi { }
}
