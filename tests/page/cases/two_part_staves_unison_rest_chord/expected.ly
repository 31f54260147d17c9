\version "2.24.0"

\header {
  tagline = ##f
}

womenMusic = {
  \autoBeamOff \set melismaBusyProperties = #'(melismaBusy slurMelismaBusy tieMelismaBusy completionBusy) \clef treble \numericTimeSignature \time 4/4 \voiceOne c''4 b'4 c''8[ b'8] a'4 |
  d''4~ d''4 r4 \oneVoice g'4 |
  \bar "|."
}

womenLower = {
  \voiceTwo \autoBeamOff a'4 g'4 f'8[ e'8] a'4~ a'4~ a'4
  f'4
}

womenVerseOne = \lyricmode {
  one two three four five six end
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \womenMusic }
      \new Voice = "voice1lower1" { \womenLower }
    >>
    \new Lyrics = "staff1-verse1" \lyricsto "voice1" { \womenVerseOne }
  >>
  \layout { }
  \midi { }
}
