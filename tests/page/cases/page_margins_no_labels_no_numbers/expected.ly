\version "2.24.0"

#(set-global-staff-size 12)

\paper {
  top-margin = 0.00\cm
  bottom-margin = 0.51\cm
  left-margin = 0.51\cm
  right-margin = 0.51\cm
}

\header {
  tagline = ##f
}

melodyMusic = {
  \autoBeamOff \clef treble b'1 |
  c''1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \melodyMusic }
    >>
  >>
  \layout {
    \context { \Score \remove Bar_number_engraver }
  }
  \midi { }
}
