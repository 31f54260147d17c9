\version "2.24.0"

\header {
  tagline = ##f
}

fluteMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 b'4 \tag #'page { c''4_\f } \tag #'midi { s4_\f } \tag #'page { <d'' f''>4 } \tag #'midi { s4 } e''4 |
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \removeWithTag #'midi \fluteMusic }
    >>
  >>
  \layout { }
}

\score {
  <<
    \new Staff <<
      \new Voice { \removeWithTag #'page \fluteMusic }
    >>
  >>
  \midi { }
}
