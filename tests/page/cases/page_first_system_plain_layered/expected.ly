\version "2.24.0"

#(set-global-staff-size 19)

\paper {
  ragged-last = ##t
}

\header {
  tagline = ##f
}

pianoRHLayeredMusic = {
  \autoBeamOff \set Timing.currentBarNumber = #0 \clef treble d''1 |
  d''1
  \bar "|."
}

pianoRHMusic = {
  \autoBeamOff \set Timing.currentBarNumber = #0 \clef treble g'1 |
  g'1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff2" \with { instrumentName = "Pianoforte" } <<
      \new Voice = "voice1" { \voiceOne \pianoRHLayeredMusic }
      \new Voice = "voice2" { \voiceTwo \pianoRHMusic }
    >>
  >>
  \layout {
    indent = 21\mm
    \context { \Score
      barNumberVisibility = #all-bar-numbers-visible
      \override BarNumber.break-visibility = ##(#f #f #t)
    }
  }
  \midi { }
}
