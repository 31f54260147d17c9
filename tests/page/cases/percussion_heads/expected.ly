\version "2.24.0"

\header {
  tagline = ##f
}

kitMusic = {
  \autoBeamOff \clef percussion \set Staff.middleCClefPosition = #6 \applyContext #ly:set-middle-C! \numericTimeSignature \time 4/4 \xNote d4 \tweak style #'xcircle e4 \tweak style #'diamond f4 \tweak style #'harmonic-black g4 |
  \tweak style #'triangle a4 \tweak style #'slash b4 \grace \xNote b,8 \tweak style #'slash c'4~ <\xNote g, \tweak style #'slash c'>4 |
  \xNote cis2 cis2 |
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" \with { midiInstrument = "drums" } <<
      \new Voice = "voice1" { \kitMusic }
    >>
  >>
  \layout { }
  \midi { }
}
