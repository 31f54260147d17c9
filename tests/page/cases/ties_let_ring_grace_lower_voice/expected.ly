\version "2.24.0"

\header {
  tagline = ##f
}

pianoMusic = {
  \autoBeamOff \set tieWaitForNote = ##t \clef treble \numericTimeSignature \time 4/4 c'8~[ e'8~ g'8~] <c' e' g'>8 a'4~ a'8 b'8\laissezVibrer |
  bes'4 \grace c''8~ c''4 \voiceOne e''4 f''4 |
  d''4 c''4 \oneVoice r2 |
  g'4\laissezVibrer \voiceOne b'4 \oneVoice b'2 |
  \bar "|."
}

pianoLower = {
  \voiceTwo \autoBeamOff s1. f'2~ f'2 s2. g'4
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \pianoMusic }
      \new Voice = "voice1lower1" { \pianoLower }
    >>
  >>
  \layout { }
  \midi { }
}
