\version "2.24.0"

\header {
  tagline = ##f
}

sopranoMusic = {
  \autoBeamOff \clef treble c''2 d''2 |
  e''1
  \bar "|."
}

altoMusic = {
  \autoBeamOff \clef treble g'1 |
  f'1
  \bar "|."
}

pianoMusic = {
  \autoBeamOff \clef bass \tempo 4 = 90 d1 |
  d1
  \bar "|."
}

\book {
  \score {
    <<
      \new Staff = "staff2" \with { instrumentName = "S A" } <<
        \new Voice = "voice1" { \voiceOne \sopranoMusic }
        \new Voice = "voice2" { \voiceTwo \altoMusic }
      >>
      \new Staff = "staff3" <<
        \new Voice = "voice3" { \pianoMusic }
      >>
    >>
    \layout { }
    \midi { }
  }
}

sopranoPartMusic = {
  \autoBeamOff \clef treble \tempo 4 = 90 c''2 d''2 |
  e''1
  \bar "|."
}

\book {
  \bookOutputSuffix "S-A"
  \header { instrument = "S A" }
  \score {
    \compressMMRests <<
      \new Staff = "staff2" \with { instrumentName = "S A" } <<
        \new Voice = "voice1" { \voiceOne \sopranoPartMusic }
        \new Voice = "voice2" { \voiceTwo \altoMusic }
      >>
    >>
    \layout {
      \context { \Score
        barNumberVisibility = #all-bar-numbers-visible
        \override BarNumber.break-visibility = ##(#f #f #t)
      }
    }
  }
}

\book {
  \bookOutputSuffix "S-A-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \sopranoMusic }
        \new Voice { \altoMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \pianoMusic }
      >>
    >>
    \midi { }
  }
}
