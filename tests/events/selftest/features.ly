% The events logger's test piece: a pickup, a triplet, a dotted note, a chord tied to a chord,
% grace notes, a time change, a longer measure, two voices in one staff, lyrics with hyphens,
% an extender, a skipped note, an empty syllable and syllables outside ASCII; a beam by hand
% where LilyPond beams nothing by itself and the beam holds no melisma, a stem turned down,
% ties (chord to chord, one left to ring, one over a note between); a dynamic above, one left
% to the voice, a text below, a triangle head and a cross.
\version "2.24.0"
\score {
  <<
    \new Staff = "staff1" {
      \new Voice = "voice1" {
        \autoBeamOff \set melismaBusyProperties = #'(melismaBusy slurMelismaBusy tieMelismaBusy completionBusy)
        \time 3/4 \partial 4 fis''4^\p |
        \tuplet 3/2 { c'8[ d' e'] } \stemDown c'4. \stemNeutral bes8 |
        <c' e' g'>2 ~ <c' e' g'>4 |
        \grace { d'16 } c'2. |
        \time 2/4 \tweak style #'triangle c'4_\markup "lento" \acciaccatura b8 c'4 |
        \set Timing.measureLength = #(ly:make-moment 3/4) c'2. |
      }
    }
    \new Lyrics = "staff1-verse1" \lyricsto "voice1" { Glo -- ri -- a __ in _ ex -- cel -- sis "" De -- o }
    \new Staff = "staff2" <<
      \new Voice { \voiceOne \partial 4 g'4 | g'2.\laissezVibrer | g'2. | g'2. | \xNote g'2\f | g'2. }
      \new Voice { \voiceTwo \set tieWaitForNote = ##t \partial 4 c'4 | c'2. | c'4~ e'4 c'4 | c'2. | c'2 | c'2. }
    >>
    \new Lyrics = "staff2-verse1" \lyricmode { \skip 4 "Süß" 2. \skip 2. "Ő~ha" 2. }
  >>
  \layout { }
}
