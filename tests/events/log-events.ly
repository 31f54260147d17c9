%% Logs every engraved note head, lyric syllable and mark, one line each, for the events test, and
%% warns of clef and time changes that LilyPond drops without a word.
%% Load with: lilypond -dinclude-settings=log-events.ly; the lines go to the file named by
%% the environment variable CHOIRLY_EVENTS_LOG (or to standard error, prefixed "event: ").
%%
%%   note STAFF ONSET GRACE PITCH DURATION      e.g. note staff1 3/4 - 1:3:1/2 1/12
%%   lyric STAFF-VERSE ONSET TEXT               e.g. lyric staff1-verse2 1/4 Glo
%%   beam STAFF START END                       e.g. beam staff1 1/2 7/8
%%   stem STAFF ONSET DIRECTION                 e.g. stem staff2 3/4 up
%%   tie STAFF ONSET GRACE PITCH TO             e.g. tie staff1 1/2 - 0:4:0 3/4
%%   score                                      before the events of each score engraved
%%   head STAFF ONSET PITCH STYLE               e.g. head staff1 1/4 -1:1:0 cross
%%
%% A beam is logged with the onsets of its first and last notes, wherever it comes from (a
%% beam LilyPond made by itself shows up as a difference). A stem is logged where its direction
%% is set before the engraver would choose it (\stemUp, \voiceOne, ...), in the staff's own
%% voices (named "voiceN..."), grace notes aside. A tie is logged with the note it starts
%% from and the onset of the note it ends on, "-" for one left to ring (\laissezVibrer). A head
%% is logged where its style is not the round default one.
%%
%% The systems as LilyPond broke the lines, each logged once:
%%
%%   system ONSET                               e.g. system 9/2
%%   barnumber ONSET NUMBER                     e.g. barnumber 9/2 6
%%   name STAFF ONSET TEXT                      e.g. name staff2 9/2 A.
%%
%% A system's ONSET is where its first column stands; a bar number is logged where it prints
%% at a system's start, a staff's name where the system prints it.
%%
%% ONSET is the main part of the moment in whole notes, GRACE is "g" for a grace note,
%% PITCH is OCTAVE:NOTENAME:ALTERATION as LilyPond holds them, DURATION the note's length.

\version "2.24.0"

#(define choirly-events-port
   (let ((path (getenv "CHOIRLY_EVENTS_LOG")))
     (if (and path (not (string-null? path)))
         (let ((port (open-file path "w")))
           (set-port-encoding! port "UTF-8")
           port)
         #f)))

#(define (choirly-log-event! . fields)
   (let ((line (string-join fields " ")))
     (if choirly-events-port
         (begin (display line choirly-events-port)
                (newline choirly-events-port)
                (force-output choirly-events-port))
         (ly:message "event: ~a" line))))

%% The id of the nearest enclosing context of the given type, "?" when it has none, so that
%% a note outside a named staff shows up as a difference rather than vanishing.
#(define (choirly-context-id context type)
   (let ((found (ly:context-find context type)))
     (if (and found (string? (ly:context-id found)) (not (string-null? (ly:context-id found))))
         (ly:context-id found)
         "?")))

#(define (choirly-rational->string r) (number->string r))

#(define (choirly-pitch->string p)
   (string-append (number->string (ly:pitch-octave p)) ":"
                  (number->string (ly:pitch-notename p)) ":"
                  (number->string (ly:pitch-alteration p))))

%% A syllable's text as a plain string; markups are flattened to their text.
#(define (choirly-lyric-text text)
   (cond ((string? text) text)
         ((markup? text) (markup->string text))
         (else "")))

#(define (choirly-blank? text)
   (string-every char-whitespace? text))

#(define (choirly-own-voice? context)
   (let ((voice (ly:context-find context 'Voice)))
     (and voice (string? (ly:context-id voice)) (string-prefix? "voice" (ly:context-id voice)))))

%% A stem's cause is the head it grew from.
#(define (choirly-note-cause? cause)
   (cond ((ly:grob? cause) (eq? (grob::name cause) 'NoteHead))
         ((ly:stream-event? cause) (and (memq 'note-event (ly:event-property cause 'class)) #t))
         (else #f)))

#(define (choirly-onset context)
   (choirly-rational->string (ly:moment-main (ly:context-current-moment context))))

%% The staff of each staff name, by the grob before it is broken into systems.
#(define choirly-name-staves (make-hash-table))
#(define choirly-systems-logged (make-hash-table))

#(define (choirly-column-onset item)
   (choirly-rational->string (ly:moment-main (ly:grob-property item 'when))))

%% On each staff line of each system, once a system: where it starts.
#(define (choirly-log-system! grob)
   (let ((onset (choirly-column-onset (ly:spanner-bound grob LEFT))))
     (if (not (hash-ref choirly-systems-logged onset #f))
         (begin (hash-set! choirly-systems-logged onset #t)
                (choirly-log-event! "system" onset)))))

%% A bar number that prints at the start of a system.
#(define (choirly-bar-number-after-breaking grob)
   (ly:side-position-interface::move-to-extremal-staff grob)
   (let ((visibility (ly:grob-property grob 'break-visibility)))
     (if (and (eqv? (ly:item-break-dir grob) RIGHT) (vector? visibility) (vector-ref visibility 2))
         ;; A measure that does not start at a bar line prints its number in parentheses.
         (choirly-log-event! "barnumber" (choirly-column-onset (ly:item-get-column grob))
                             (string-delete (string->char-set "()")
                                            (choirly-lyric-text (ly:grob-property grob 'text)))))))

%% A staff's name as system-start-text::print chooses it: the long one on the first system.
#(define (choirly-name-after-breaking grob)
   (let* ((left (ly:spanner-bound grob LEFT))
          (first (moment<=? (ly:grob-property left 'when) ZERO-MOMENT))
          (name (ly:grob-property grob (if first 'long-text 'text)))
          (original (or (ly:grob-original grob) grob)))
     (if (and (markup? name) (not (eqv? (ly:item-break-dir left) CENTER))
              (not (choirly-blank? (choirly-lyric-text name))))
         (choirly-log-event! "name" (hashq-ref choirly-name-staves original "?")
                             (choirly-column-onset left) (choirly-lyric-text name)))))

#(define (choirly-events-engraver context)
   (define beam-starts (make-hash-table))
   (define heads (make-hash-table))  ; note head -> (staff onset grace pitch)
   (define ties '())
   (define (log-tie tie from to)
     (let ((start (and from (hashq-ref heads from #f)))
           (end (and to (hashq-ref heads to #f))))
       (if start
           (choirly-log-event! "tie" (list-ref start 0) (list-ref start 1) (list-ref start 2)
                               (list-ref start 3) (if end (list-ref end 1) "-")))))
   (make-engraver
    ((finalize engraver)
     (for-each
      (lambda (tie)
        (if (ly:spanner? tie)
            (log-tie tie (ly:spanner-bound tie LEFT) (ly:spanner-bound tie RIGHT))
            (log-tie tie (ly:grob-object tie 'note-head) #f)))
      (reverse ties)))
    ;; Each engraved score's events follow a line of their own, "score".
    ((initialize engraver) (choirly-log-event! "score"))
    (acknowledgers
     ;; A tie left to ring has both interfaces; each tie is logged once.
     ((tie-interface engraver grob source-engraver)
      (if (not (memq grob ties)) (set! ties (cons grob ties))))
     ((semi-tie-interface engraver grob source-engraver)
      (if (not (memq grob ties)) (set! ties (cons grob ties))))
     ((system-start-text-interface engraver grob source-engraver)
      (hashq-set! choirly-name-staves grob
                  (choirly-context-id (ly:translator-context source-engraver) 'Staff)))
     ((beam-interface engraver grob source-engraver)
      (hashq-set! beam-starts grob (choirly-onset (ly:translator-context source-engraver))))
     ((stem-interface engraver grob source-engraver)
      (let ((where (ly:translator-context source-engraver))
            (direction (ly:grob-property-data grob 'direction)))
        ;; LilyPond gives rests stems too, for the beams over them; only the notes' count.
        (if (and (number? direction) (not (zero? direction)) (choirly-own-voice? where)
                 (choirly-note-cause? (ly:grob-property grob 'cause))
                 (zero? (ly:moment-grace (ly:context-current-moment where))))
            (choirly-log-event! "stem" (choirly-context-id where 'Staff) (choirly-onset where)
                                (if (positive? direction) "up" "down")))))
     ((note-head-interface engraver grob source-engraver)
      (let ((cause (ly:grob-property grob 'cause))
            (where (ly:translator-context source-engraver)))
        ;; Only heads that stand for a note of the music (not ambitus or trill heads).
        (if (and (ly:stream-event? cause)
                 (memq 'note-event (ly:event-property cause 'class))
                 (ly:pitch? (ly:event-property cause 'pitch)))
            (let ((moment (ly:context-current-moment where))
                  (duration (ly:event-property cause 'duration))
                  (style (ly:grob-property grob 'style)))
              (hashq-set! heads grob
                          (list (choirly-context-id where 'Staff)
                                (choirly-rational->string (ly:moment-main moment))
                                (if (zero? (ly:moment-grace moment)) "-" "g")
                                (choirly-pitch->string (ly:event-property cause 'pitch))))
              (if (and (symbol? style) (not (eq? style 'default)))
                  (choirly-log-event!
                   "head" (choirly-context-id where 'Staff)
                   (choirly-rational->string (ly:moment-main moment))
                   (choirly-pitch->string (ly:event-property cause 'pitch))
                   (symbol->string style)))
              (choirly-log-event!
               "note"
               (choirly-context-id where 'Staff)
               (choirly-rational->string (ly:moment-main moment))
               (if (zero? (ly:moment-grace moment)) "-" "g")
               (choirly-pitch->string (ly:event-property cause 'pitch))
               (choirly-rational->string (ly:moment-main (ly:duration-length duration))))))))
     ((lyric-syllable-interface engraver grob source-engraver)
      (let* ((cause (ly:grob-property grob 'cause))
             (where (ly:translator-context source-engraver))
             (text (choirly-lyric-text (if (ly:stream-event? cause)
                                           (ly:event-property cause 'text)
                                           (ly:grob-property grob 'text)))))
        (if (not (choirly-blank? text))
            (choirly-log-event!
             "lyric"
             (choirly-context-id where 'Lyrics)
             (choirly-rational->string
              (ly:moment-main (ly:context-current-moment where)))
             text)))))
    (end-acknowledgers
     ((beam-interface engraver grob source-engraver)
      (let ((where (ly:translator-context source-engraver)))
        (choirly-log-event! "beam" (choirly-context-id where 'Staff)
                            (hashq-ref beam-starts grob "?") (choirly-onset where)))))))

%% The marks around the notes, by the grob that prints them:
%%   mark STAFF ONSET articulation NAME   (Script: staccato, accent, fermata, ...)
%%   mark STAFF ONSET dynamic SIDE NAME   (DynamicText: ff, sfz, ...)
%%   mark STAFF ONSET hairpin crescendo   (Hairpin, where it starts; or decrescendo)
%%   mark STAFF ONSET text SIDE TEXT      (TextScript: words above or below the notes)
%% SIDE is "up" or "down" as the music asks for it (^ or _), else as the grob's own direction
%% stands, and "unset" where neither says: the side is then LilyPond's choice, which follows
%% the voice and is not the score's.
%%   bar STAFF ONSET GLYPH                (BarLine, only the repeat bars: glyphs with a colon)
#(define (choirly-side grob cause)
   (let* ((asked (if (ly:stream-event? cause) (ly:event-property cause 'direction) '()))
          (own (ly:grob-property-data grob 'direction))
          (direction (if (ly:dir? asked) asked own)))
     (cond ((not (number? direction)) "unset")
           ((positive? direction) "up")
           ((negative? direction) "down")
           (else "unset"))))

#(define (choirly-log-mark grob where)
   (let ((name (grob::name grob))
         (cause (ly:grob-property grob 'cause))
         (staff (choirly-context-id where 'Staff))
         (onset (choirly-rational->string (ly:moment-main (ly:context-current-moment where)))))
     (define (log . fields) (apply choirly-log-event! (cons* (car fields) staff onset (cdr fields))))
     (cond
      ((and (memq name '(Script MultiMeasureRestScript)) (ly:stream-event? cause))
       (log "mark" "articulation" (format #f "~a" (ly:event-property cause 'articulation-type))))
      ((and (eq? name 'DynamicText) (ly:stream-event? cause))
       (log "mark" "dynamic" (choirly-side grob cause)
            (format #f "~a" (ly:event-property cause 'text))))
      ((and (eq? name 'Hairpin) (ly:stream-event? cause))
       (log "mark" "hairpin"
            (if (memq 'crescendo-event (ly:event-property cause 'class)) "crescendo" "decrescendo")))
      ((memq name '(TextScript MultiMeasureRestText))
       (log "mark" "text" (choirly-side grob cause)
            (choirly-lyric-text (ly:grob-property grob 'text))))
      ((eq? name 'BarLine)
       (let ((glyph (ly:grob-property grob 'glyph)))
         (if (and (string? glyph) (string-index glyph #\:))
             (log "bar" glyph)))))))

#(define (choirly-marks-engraver context)
   (make-engraver
    (acknowledgers
     ((grob-interface engraver grob source-engraver)
      (choirly-log-mark grob (ly:translator-context source-engraver))))))

%% LilyPond keeps the last of two clef changes, or of two time changes, at one moment without
%% a word. This watcher, in each staff, notes every clef and time change asked for at a moment
%% and, once the moment's music is read, warns "discarded clef change" or "discarded time
%% change" when what is in force differs from one of them (beside LilyPond's own "discarding
%% event: `key-change-event'"). Comparing with what is in force, rather than the requests with
%% each other, stays right wherever the page puts its timing, in the score or in each staff.
#(define choirly-clef-properties '(clefGlyph clefPosition clefTransposition))

#(define (choirly-value->string value)
   (if (and (pair? value) (number? (car value)) (number? (cdr value)))
       (format #f "~a/~a" (car value) (cdr value))
       (format #f "~a" value)))

#(define (choirly-change-watch-engraver context)
   (let ((asked '()))  ; (kind property value) for each change asked at this moment
     (define (ask! kind property value)
       (set! asked (cons (list kind property value) asked)))
     (make-engraver
      ((initialize engraver)
       (ly:add-listener
        (lambda (event)
          (let ((property (ly:event-property event 'symbol)))
            (if (memq property choirly-clef-properties)
                (ask! "clef" property (ly:event-property event 'value)))))
        (ly:context-event-source context) 'SetProperty)
       (ly:add-listener
        (lambda (event)
          (ask! "time" 'timeSignatureFraction
                (cons (ly:event-property event 'numerator)
                      (ly:event-property event 'denominator))))
        (ly:context-events-below context) 'time-signature-event))
      ((process-music engraver)
       (let ((warned '()))
         (for-each
          (lambda (request)
            (let ((kind (car request))
                  (in-force (ly:context-property context (cadr request))))
              (if (and (not (equal? in-force (caddr request))) (not (member kind warned)))
                  (begin
                   (set! warned (cons kind warned))
                   (ly:warning "discarded ~a change in ~a at ~a: ~a ~a asked, ~a in force"
                               kind (let ((id (ly:context-id context)))
                                      (if (string-null? id) "a staff without a name" id))
                               (ly:moment-main (ly:context-current-moment context))
                               (cadr request) (choirly-value->string (caddr request))
                               (choirly-value->string in-force))))))
          (reverse asked))))
      ((stop-translation-timestep engraver)
       (set! asked '())))))

\layout {
  \context {
    \Score
    \consists #choirly-events-engraver
    \consists #choirly-marks-engraver
    \override BarNumber.after-line-breaking = #choirly-bar-number-after-breaking
  }
  \context {
    \Staff
    \consists #choirly-change-watch-engraver
    \override InstrumentName.after-line-breaking = #choirly-name-after-breaking
    \override StaffSymbol.after-line-breaking = #choirly-log-system!
  }
}
