\version "2.24.0"

\header {
  tagline = ##f
}

marksMusic = {
  \clef treble \numericTimeSignature \time 4/4 \textMark \markup \musicglyph "scripts.segno" c'4-.\p\< d'4-> e'4--\! f'4-\tweak stencil ##f \ff\fermata |
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
