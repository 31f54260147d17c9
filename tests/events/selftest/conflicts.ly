% One warning of each kind of lost music: a bar check that fails, a tie to another pitch, two
% keys, two clefs and two time signatures at one moment (the last two warned by the logger).
\version "2.24.0"
\score {
  \new Staff = "staff1" <<
    { \key g \major c''4 ~ d''4 c''4 | c''4 \clef bass \time 3/4 c2. }
    \\
    { \key d \major c'1 \clef alto \time 2/4 c2 }
  >>
  \layout { }
}
