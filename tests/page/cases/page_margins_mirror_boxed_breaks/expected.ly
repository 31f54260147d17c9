\version "2.24.0"

#(set-global-staff-size 16)

\paper {
  top-margin = 1.02\cm
  bottom-margin = 0.80\cm
  two-sided = ##t
  inner-margin = 2.50\cm
  outer-margin = 1.50\cm
  ragged-last = ##t
}

\header {
  tagline = ##f
}

upperMusic = {
  \autoBeamOff \clef treble b'1 |
  b'1
  \bar "|."
}

lowerMusic = {
  \autoBeamOff \clef treble \time 3/4 g'2. |
  g'2. |
  g'2
  \bar "|."
}

soloMusic = {
  \autoBeamOff \clef treble \set Timing.measureLength = #(ly:make-moment 3) d''1 \bar "" d''1 \bar "" d''1
  \bar "|."
}

\score {
  <<
    \new Staff = "staff2" \with { instrumentName = "Upper" shortInstrumentName = "U." \consists Bar_number_engraver } <<
      \new Voice = "voice1" { \voiceOne \upperMusic }
      \new Voice = "voice2" { \voiceTwo \lowerMusic }
    >>
    \new Staff = "staff3" \with { instrumentName = "Solo" } <<
      \new Voice = "voice3" { \soloMusic }
    >>
  >>
  \layout {
    short-indent = 5\mm
    \context { \Score
      \remove Bar_number_engraver
      barNumberVisibility = #all-bar-numbers-visible
      \override BarNumber.break-visibility = ##(#f #f #t)
      \override BarNumber.stencil = #(make-stencil-boxer 0.1 0.25 ly:text-interface::print)
    }
    \context { \Score \remove Timing_translator }
    \context { \Staff \consists Timing_translator }
  }
  \midi {
    \context { \Score \remove Timing_translator }
    \context { \Staff \consists Timing_translator }
  }
}
