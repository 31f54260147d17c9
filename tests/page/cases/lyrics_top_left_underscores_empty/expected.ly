\version "2.24.0"

\header {
  tagline = ##f
}

tenorMusic = {
  \autoBeamOff \clef treble \numericTimeSignature \time 4/4 b'2 c''2 |
  \bar "|."
}

tenorVerseOne = \lyricmode {
  "one_two" "three____"
}

tenorVerseTwo = \lyricmode {

}

tenorVerseThree = \lyricmode {

}

bassMusic = {
  \autoBeamOff \clef bass \numericTimeSignature \time 4/4 d2 e2 |
  \bar "|."
}

bassVerseOne = \lyricmode {
  "one two" three
}

\score {
  <<
    \new Staff = "staff1" <<
      \new Voice = "voice1" { \tenorMusic }
    >>
    \new Lyrics = "staff1-verse1" \with { alignAboveContext = "staff1" \override LyricText.self-alignment-X = #LEFT } \lyricsto "voice1" { \tenorVerseOne }
    \new Staff = "staff2" <<
      \new Voice = "voice2" { \bassMusic }
    >>
    \new Lyrics = "staff2-verse1" \lyricsto "voice2" { \bassVerseOne }
  >>
  \layout { }
  \midi { }
}
