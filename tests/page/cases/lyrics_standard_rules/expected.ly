\version "2.24.0"

\header {
  tagline = ##f
}

sopranoMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 c'4 d'4( e'4) f'4~ |
  f'4 r4 \grace g'8 g'4 a'4 |
  <c'~ e'>2 <c' g'>2 |
  c'1 |
  \bar "|."
}

sopranoVerseOne = \lyricmode {
  \set ignoreMelismata = ##t Hal -- le -- _ lu -- _ _ jah, "sing to" God!
  "1."
}

sopranoVerseTwo = \lyricmode {
  Prai -- ses "\"here\""
}

\score {
  <<
    \new Staff = "staff1" \with { instrumentName = "S." } <<
      \new Voice = "voice1" { \sopranoMusic }
    >>
    \new Lyrics = "staff1-verse1" \lyricsto "voice1" { \sopranoVerseOne }
    \new Lyrics = "staff1-verse2" \lyricsto "voice1" { \sopranoVerseTwo }
  >>
  \layout { }
  \midi { }
}
