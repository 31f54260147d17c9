\version "2.24.0"

\header {
  tagline = ##f
}

paMusic = {
  \autoBeamOff \clef treble a1
  \bar "|."
}

pbMusic = {
  \autoBeamOff \clef treble b1
  \bar "|."
}

pcMusic = {
  \autoBeamOff \clef treble c'1
  \bar "|."
}

pdMusic = {
  \autoBeamOff \clef treble d'1
  \bar "|."
}

peMusic = {
  \autoBeamOff \clef treble e'1
  \bar "|."
}

pfMusic = {
  \autoBeamOff \clef treble f'1
  \bar "|."
}

pgMusic = {
  \autoBeamOff \clef treble g'1
  \bar "|."
}

phMusic = {
  \autoBeamOff \clef treble a'1
  \bar "|."
}

piMusic = {
  \autoBeamOff \clef treble b'1
  \bar "|."
}

pjMusic = {
  \autoBeamOff \clef treble c''1
  \bar "|."
}

pkMusic = {
  \autoBeamOff \clef treble d''1
  \bar "|."
}

plMusic = {
  \autoBeamOff \clef treble e''1
  \bar "|."
}

pmMusic = {
  \autoBeamOff \clef treble f''1
  \bar "|."
}

pnMusic = {
  \autoBeamOff \clef treble g''1
  \bar "|."
}

poMusic = {
  \autoBeamOff \clef treble a''1
  \bar "|."
}

ppMusic = {
  \autoBeamOff \clef treble b''1
  \bar "|."
}

pqMusic = {
  \autoBeamOff \clef treble c'''1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \paMusic }
    >>
    \new Staff = "staff2" <<
      \new Voice = "voice2" { \pbMusic }
    >>
    \new Staff = "staff3" <<
      \new Voice = "voice3" { \pcMusic }
    >>
    \new Staff = "staff4" <<
      \new Voice = "voice4" { \pdMusic }
    >>
    \new Staff = "staff5" <<
      \new Voice = "voice5" { \peMusic }
    >>
    \new Staff = "staff6" <<
      \new Voice = "voice6" { \pfMusic }
    >>
    \new Staff = "staff7" <<
      \new Voice = "voice7" { \pgMusic }
    >>
    \new Staff = "staff8" <<
      \new Voice = "voice8" { \phMusic }
    >>
    \new Staff = "staff9" <<
      \new Voice = "voice9" { \piMusic }
    >>
    \new Staff = "staff10" \with { midiInstrument = "drums" } <<
      \new Voice = "voice10" { \pjMusic }
    >>
    \new Staff = "staff11" <<
      \new Voice = "voice11" { \pkMusic }
    >>
    \new Staff = "staff12" <<
      \new Voice = "voice12" { \plMusic }
    >>
    \new Staff = "staff13" <<
      \new Voice = "voice13" { \pmMusic }
    >>
    \new Staff = "staff14" <<
      \new Voice = "voice14" { \pnMusic }
    >>
    \new Staff = "staff15" <<
      \new Voice = "voice15" { \poMusic }
    >>
    \new Staff = "staff16" <<
      \new Voice = "voice16" { \ppMusic }
    >>
    \new Staff = "staff17" <<
      \new Voice = "voice17" { \pqMusic }
    >>
  >>
  \layout { }
}

\score {
  <<
    \new Staff <<
      \new Voice { \paMusic }
    >>
    \new Staff <<
      \new Voice { \pbMusic }
      \new Voice { \pqMusic }
    >>
    \new Staff <<
      \new Voice { \pcMusic }
    >>
    \new Staff <<
      \new Voice { \pdMusic }
    >>
    \new Staff <<
      \new Voice { \peMusic }
    >>
    \new Staff <<
      \new Voice { \pfMusic }
    >>
    \new Staff <<
      \new Voice { \pgMusic }
    >>
    \new Staff <<
      \new Voice { \phMusic }
    >>
    \new Staff <<
      \new Voice { \piMusic }
    >>
    \new Staff <<
      \new Voice { \pkMusic }
    >>
    \new Staff <<
      \new Voice { \plMusic }
    >>
    \new Staff <<
      \new Voice { \pmMusic }
    >>
    \new Staff <<
      \new Voice { \pnMusic }
    >>
    \new Staff <<
      \new Voice { \poMusic }
    >>
    \new Staff <<
      \new Voice { \ppMusic }
    >>
    \new Staff \with { midiInstrument = "drums" } <<
      \new Voice { \pjMusic }
    >>
  >>
  \midi { }
}
