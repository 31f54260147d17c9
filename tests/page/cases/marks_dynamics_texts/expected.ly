\version "2.24.0"

\header {
  tagline = ##f
}

marksMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 \segnoMark 1 c'4-._\p\< d'4-> e'4--\! f'4_\tweak stencil ##f \ff\fermata |
  g'2^\markup \italic "a tempo"\sustainOn\> \breathe a'4\!_\markup \italic "dolce"\sustainOff b'4^\markup \italic "rit."_\markup \italic "cresc." \textEndMark "D.C. al Fine" |
  \caesura R1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \marksMusic }
    >>
  >>
  \layout { }
  \midi { }
}
