\version "2.24.0"

\header {
  tagline = ##f
}

hiddenMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 c'4 \hideNotes d'4 \unHideNotes \once \omit Staff.Clef \once \omit Staff.ClefModifier \clef "treble^8" c''2
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \hiddenMusic }
    >>
  >>
  \layout { }
  \midi { }
}
