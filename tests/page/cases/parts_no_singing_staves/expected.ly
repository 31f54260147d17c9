\version "2.24.0"

\header {
  tagline = ##f
}

fluteMusic = {
  \autoBeamOff \clef treble b'1
  \bar "|."
}

celloMusic = {
  \autoBeamOff \clef bass d1
  \bar "|."
}

hiddenMusic = {
  \autoBeamOff \clef bass b,1
  \bar "|."
}

\book {
  \score {
    <<
      \new Staff = "staff1" \with { instrumentName = "Flute 1" } <<
        \new Voice = "voice1" { \fluteMusic }
      >>
      \new Staff = "staff2" <<
        \new Voice = "voice2" { \celloMusic }
      >>
    >>
    \layout { }
  }

  \score {
    <<
      \new Staff <<
        \new Voice { \fluteMusic }
      >>
      \new Staff <<
        \new Voice { \celloMusic }
      >>
      \new Staff <<
        \new Voice { \hiddenMusic }
      >>
    >>
    \midi { }
  }
}

\book {
  \bookOutputSuffix "Flute-1"
  \header { instrument = "Flute 1" }
  \score {
    \compressMMRests <<
      \new Staff = "staff1" \with { instrumentName = "Flute 1" } <<
        \new Voice = "voice1" { \fluteMusic }
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
  \bookOutputSuffix "Flute-1-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \fluteMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \celloMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \hiddenMusic }
      >>
    >>
    \midi { }
  }
}

\book {
  \bookOutputSuffix "Cello"
  \header { instrument = "Cello" }
  \score {
    \compressMMRests <<
      \new Staff = "staff2" <<
        \new Voice = "voice2" { \celloMusic }
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
  \bookOutputSuffix "Cello-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #-0.7143 } <<
        \new Voice { \fluteMusic }
      >>
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \celloMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \hiddenMusic }
      >>
    >>
    \midi { }
  }
}
