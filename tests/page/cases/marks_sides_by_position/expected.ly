\version "2.24.0"

\header {
  tagline = ##f
}

altoMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 c'4^\mf d'4_\p^\markup \bold "solo" e'4^\markup \dynamic "sfffz"_\markup \italic "soft" f'4_\markup \italic "rit."^\tweak stencil ##f \ff |
  \bar "|."
}

altoVerseOne = \lyricmode {
  Sing the words now
}

\score {
  <<
    \new Staff = "staff1" \with { instrumentName = "A." } <<
      \new Voice = "voice1" { \altoMusic }
    >>
    \new Lyrics = "staff1-verse1" \lyricsto "voice1" { \altoVerseOne }
  >>
  \layout { }
  \midi { }
}
