\version "2.24.0"

\header {
  title = "Ünser \"Lied\""
  composer = "J. S. Bach"
  poet = "Anon"
  copyright = "© 2024 Choir"
  tagline = ##f
}

sopranoOneMusic = {
  \autoBeamOff \clef treble b'1 |
  \bar "|."
}

altoMusic = {
  \autoBeamOff \clef treble g'1 |
  \bar "||"
}

upperMusic = {
  \autoBeamOff \clef treble d''1 |
  \bar "|."
}

pianoMusic = {
  \autoBeamOff \clef treble e'1 |
  \bar "|."
}

leftMusic = {
  \autoBeamOff \clef bass d1 |
  \bar "|."
}

clickMusic = {
  \autoBeamOff \clef percussion \set Staff.middleCClefPosition = #6 \applyContext #ly:set-middle-C! d1 |
  \bar "|."
}

\score {
  <<
    \new StaffGroup <<
      \new Staff = "staff1" \with { instrumentName = "Soprano I" } <<
        \new Voice = "voice1" { \sopranoOneMusic }
      >>
      \new Staff = "staff2" <<
        \new Voice = "voice2" { \altoMusic }
      >>
    >>
    \new PianoStaff <<
      \new Staff = "staff4" <<
        \new Voice = "voice3" { \voiceOne \upperMusic }
        \new Voice = "voice4" { \voiceTwo \pianoMusic }
      >>
      \new Staff = "staff5" <<
        \new Voice = "voice5" { \leftMusic }
      >>
    >>
  >>
  \layout {
    indent = 19\mm
  }
}

\score {
  <<
    \new Staff <<
      \new Voice { \sopranoOneMusic }
    >>
    \new Staff <<
      \new Voice { \altoMusic }
    >>
    \new Staff <<
      \new Voice { \upperMusic }
    >>
    \new Staff <<
      \new Voice { \pianoMusic }
    >>
    \new Staff <<
      \new Voice { \leftMusic }
    >>
    \new Staff \with { midiInstrument = "drums" } <<
      \new Voice { \clickMusic }
    >>
  >>
  \midi { }
}
