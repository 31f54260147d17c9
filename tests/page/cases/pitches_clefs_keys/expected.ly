\version "2.24.0"

\header {
  title = "Pitches"
  tagline = ##f
}

trebleMusic = {
  \autoBeamOff \clef treble \key g \minor \numericTimeSignature \time 4/4 bes'4 b'4 b'4 ais'4~ |
  ais'4 ais'4 bes'!4 a4 |
  \bar "|."
}

bassMusic = {
  \autoBeamOff \clef bass d2 \key fis \minor b,2 |
  \clef "treble_8" b2 \clef alto cis'4 \clef tenor a4 |
  \set Staff.keyAlterations = #`((6 . ,FLAT) (2 . ,FLAT) (3 . ,SHARP)) c'1 |
  \bar "|."
}

drumsMusic = {
  \autoBeamOff \clef percussion \set Staff.middleCClefPosition = #6 \applyContext #ly:set-middle-C! d1 |
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \trebleMusic }
    >>
    \new Staff = "staff2" <<
      \new Voice = "voice2" { \bassMusic }
    >>
    \new Staff = "staff3" \with { midiInstrument = "drums" } <<
      \new Voice = "voice3" { \drumsMusic }
    >>
  >>
  \layout { }
  \midi { }
}
