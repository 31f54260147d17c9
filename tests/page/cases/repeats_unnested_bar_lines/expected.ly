\version "2.24.0"

\header {
  tagline = ##f
}

barsMusic = {
  \clef treble \numericTimeSignature \time 4/4 c'1 | \set Score.repeatCommands = #'(start-repeat)
  d'1 | \set Score.repeatCommands = #'(start-repeat)
  e'1 | \set Score.repeatCommands = #'(end-repeat (volta "2."))
  f'1 \set Score.repeatCommands = #'((volta #f))
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" \with { instrumentName = "Bars" } <<
      \new Voice = "voice1" { \barsMusic }
    >>
  >>
  \layout { }
  \midi { }
}
