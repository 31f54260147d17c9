\version "2.24.0"

\header {
  tagline = ##f
}

rhythmMusic = {
  \autoBeamOff \clef treble \time 3/4 \partial 4 g'4 | \set Timing.currentBarNumber = #2
  \grace a'8 \tuplet 3/2 { c'8 d'8 e'8 } f'4.( g'8) |
  <c' e' g'~>2 <c' g'>4 |
  R2. |
  % 5
  \voiceOne e'4 f'8 g'16. a'32 \oneVoice r4 |
  \set Timing.measureLength = #(ly:make-moment 7/8) b'2.. |
  \set Timing.measureLength = #(ly:make-moment 3/4) b'2. \bar "|." |
}

rhythmLower = {
  \voiceTwo \autoBeamOff s1*5/2 a2
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \rhythmMusic }
      \new Voice = "voice1lower1" { \rhythmLower }
    >>
  >>
  \layout { }
  \midi { }
}
