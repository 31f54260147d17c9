\version "2.24.0"

\header {
  tagline = ##f
}

bassMusic = {
  \autoBeamOff \clef treble b'1
  \bar "|."
}

silentMusic = {
  \autoBeamOff \clef treble g'1
  \bar "|."
}

hornMusic = {
  \autoBeamOff \clef treble c''1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" \with { midiInstrument = "electric bass (finger)" instrumentTransposition = #(ly:make-pitch -1 0 0) midiExpression = #0.5512 midiPanPosition = #-1.0000 } <<
      \new Voice = "voice1" { \bassMusic }
    >>
    \new Staff = "staff2" \with { \remove Staff_performer } <<
      \new Voice = "voice2" { \silentMusic }
    >>
    \new Staff = "staff3" \with { midiInstrument = "french horn" instrumentTransposition = #(ly:make-pitch 0 1 0) midiPanPosition = #1.0000 } <<
      \new Voice = "voice3" { \hornMusic }
    >>
  >>
  \layout { }
  \midi { }
}
