\version "2.24.0"

\header {
  tagline = ##f
}

beamsMusic = {
  \autoBeamOff \set melismaBusyProperties = #'(melismaBusy slurMelismaBusy tieMelismaBusy completionBusy) \clef treble \time 2/4 \segnoMark 1 \stemUp c'8[ d'8 e'8] \stemNeutral f'8 |
  g'8 a'4 b'8 |
  \stemDown c''8[ r8 d''8] e''8 |
  \codaMark 1 \stemNeutral c'2
  \bar "|."
}

beamsVerseOne = \lyricmode {
  one two three four five six sev -- en eight nine ten
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \beamsMusic }
    >>
    \new Lyrics = "staff1-verse1" \lyricsto "voice1" { \beamsVerseOne }
  >>
  \layout { }
  \midi { }
}
