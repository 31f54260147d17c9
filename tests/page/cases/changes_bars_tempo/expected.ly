\version "2.24.0"

\header {
  tagline = ##f
}

changesMusic = {
  \autoBeamOff \repeat volta 2 { \clef treble \key g \major \time 4/4 \tempo 4 = 90 g'1 \bar "||" |
  \time 2/2 \tempo "Slower" 2 = 60 g'1 \bar ".|" |
  \key d \minor \clef bass \once \omit Staff.TimeSignature \time 2/4 d2 \bar "" |
  \numericTimeSignature \time 4/4 d1 } |
  % 5
  \key c \major d1 |
  \once \omit Score.MetronomeMark \tempo 4 = 100 d2 e2
  \bar "|."
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \changesMusic }
    >>
  >>
  \layout { }
}

\score {
  \unfoldRepeats <<
    \new Staff <<
      \new Voice { \changesMusic }
    >>
  >>
  \midi { }
}
