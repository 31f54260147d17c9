\version "2.24.0"

#(set-global-staff-size 20.5)

\paper {
  ragged-bottom = ##t
}

\header {
  tagline = ##f
}

sopMusic = {
  \autoBeamOff \set Timing.currentBarNumber = #5 \clef treble \time 3/4 \partial 4 b'4 | \set Timing.currentBarNumber = #6
  c''2. \break |
  d''2.
  \bar "|."
}

bassMusic = {
  \autoBeamOff \set Timing.currentBarNumber = #5 \clef bass \time 3/4 \partial 4 r4 | \set Timing.currentBarNumber = #6
  d2. \break |
  d2.
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" \with { instrumentName = "Soprano" shortInstrumentName = "S." } <<
      \new Voice = "voice1" { \sopMusic }
    >>
    \new Staff = "staff2" <<
      \new Voice = "voice2" { \bassMusic }
    >>
  >>
  \layout {
    short-indent = 5\mm
    \context { \Score
      barNumberVisibility = #all-bar-numbers-visible
      \override BarNumber.break-visibility = ##(#f #f #t)
      \override BarNumber.stencil = #(make-stencil-circler 0.1 0.25 ly:text-interface::print)
    }
  }
  \midi { }
}
