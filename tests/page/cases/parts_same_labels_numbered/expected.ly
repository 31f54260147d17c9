\version "2.24.0"

\header {
  tagline = ##f
}

tenorOneMusic = {
  \autoBeamOff \clef treble \tempo 4 = 72 b'1
  \bar "|."
}

tenorTwoMusic = {
  \autoBeamOff \clef treble a'1
  \bar "|."
}

baritoneMusic = {
  \autoBeamOff \clef bass d1
  \bar "|."
}

\book {
  \score {
    <<
      \new Staff = "staff1" \with { instrumentName = "Tenor" } <<
        \new Voice = "voice1" { \tenorOneMusic }
      >>
      \new Staff = "staff2" \with { instrumentName = "Tenor" } <<
        \new Voice = "voice2" { \tenorTwoMusic }
      >>
      \new Staff = "staff3" \with { instrumentName = "tenor" } <<
        \new Voice = "voice3" { \baritoneMusic }
      >>
    >>
    \layout { }
    \midi { }
  }
}

\book {
  \bookOutputSuffix "Tenor-1"
  \header { instrument = "Tenor" }
  \score {
    \compressMMRests <<
      \new Staff = "staff1" \with { instrumentName = "Tenor" } <<
        \new Voice = "voice1" { \tenorOneMusic }
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
  \bookOutputSuffix "Tenor-1-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \tenorOneMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \tenorTwoMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \baritoneMusic }
      >>
    >>
    \midi { }
  }
}

tenorTwoPartMusic = {
  \autoBeamOff \clef treble \tempo 4 = 72 a'1
  \bar "|."
}

\book {
  \bookOutputSuffix "Tenor-2"
  \header { instrument = "Tenor" }
  \score {
    \compressMMRests <<
      \new Staff = "staff2" \with { instrumentName = "Tenor" } <<
        \new Voice = "voice2" { \tenorTwoPartMusic }
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
  \bookOutputSuffix "Tenor-2-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #-0.7143 } <<
        \new Voice { \tenorOneMusic }
      >>
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \tenorTwoMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #0.7143 } <<
        \new Voice { \baritoneMusic }
      >>
    >>
    \midi { }
  }
}

baritonePartMusic = {
  \autoBeamOff \clef bass \tempo 4 = 72 d1
  \bar "|."
}

\book {
  \bookOutputSuffix "tenor-3"
  \header { instrument = "tenor" }
  \score {
    \compressMMRests <<
      \new Staff = "staff3" \with { instrumentName = "tenor" } <<
        \new Voice = "voice3" { \baritonePartMusic }
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
  \bookOutputSuffix "tenor-3-rehearsal"
  \score {
    <<
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #-0.7143 } <<
        \new Voice { \tenorOneMusic }
      >>
      \new Staff \with { midiInstrument = "acoustic grand" midiExpression = #0.3307 midiPanPosition = #-0.7143 } <<
        \new Voice { \tenorTwoMusic }
      >>
      \new Staff \with { midiInstrument = "oboe" midiExpression = #1.0000 midiPanPosition = #0.0000 } <<
        \new Voice { \baritoneMusic }
      >>
    >>
    \midi { }
  }
}
