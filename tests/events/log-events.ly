%% Logs every engraved note head and lyric syllable, one line each, for the events test.
%% Load with: lilypond -dinclude-settings=log-events.ly; the lines go to the file named by
%% the environment variable CHOIRLY_EVENTS_LOG (or to standard error, prefixed "event: ").
%%
%%   note STAFF ONSET GRACE PITCH DURATION      e.g. note staff1 3/4 - 1:3:1/2 1/12
%%   lyric STAFF-VERSE ONSET TEXT               e.g. lyric staff1-verse2 1/4 Glo-
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

#(define (choirly-events-engraver context)
   (make-engraver
    (acknowledgers
     ((note-head-interface engraver grob source-engraver)
      (let ((cause (ly:grob-property grob 'cause))
            (where (ly:translator-context source-engraver)))
        ;; Only heads that stand for a note of the music (not ambitus or trill heads).
        (if (and (ly:stream-event? cause)
                 (memq 'note-event (ly:event-property cause 'class))
                 (ly:pitch? (ly:event-property cause 'pitch)))
            (let ((moment (ly:context-current-moment where))
                  (duration (ly:event-property cause 'duration)))
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
             text)))))))

%% LilyPond keeps the last of two clef changes, or of two time changes, at one moment without
%% a word; these watchers warn "discarded clef change" or "discarded time change" then, once a
%% moment, beside LilyPond's own "discarding event: `key-change-event'".
#(define (choirly-conflict-watch kind context)
   ;; A procedure taking (name value): the first value of each name at a moment stands; another
   ;; value for the same name at that moment is a change that LilyPond discards.
   (let ((moment #f) (first-values '()) (warned #f))
     (lambda (name value)
       (let ((now (ly:context-current-moment context)))
         (if (not (and moment (equal? now moment)))
             (begin (set! moment now) (set! first-values '()) (set! warned #f)))
         (let ((earlier (assq name first-values)))
           (cond ((not earlier) (set! first-values (acons name value first-values)))
                 ((and (not warned) (not (equal? (cdr earlier) value)))
                  (set! warned #t)
                  (ly:warning "discarded ~a change in ~a at ~a: ~a ~a, then ~a"
                              kind (if (eq? (ly:context-name context) 'Score)
                                       "the score"
                                       (ly:context-id context))
                              (ly:moment-main now)
                              name (cdr earlier) value))))))))

#(define (choirly-clef-watch-engraver context)
   (make-engraver
    ((initialize engraver)
     (let ((watch (choirly-conflict-watch "clef" context)))
       (ly:add-listener
        (lambda (event)
          (let ((name (ly:event-property event 'symbol)))
            (if (memq name '(clefGlyph clefPosition clefTransposition))
                (watch name (ly:event-property event 'value)))))
        (ly:context-event-source context) 'SetProperty)))))

#(define (choirly-time-watch-engraver context)
   (make-engraver
    ((initialize engraver)
     (let ((watch (choirly-conflict-watch "time" context)))
       (ly:add-listener
        (lambda (event)
          (watch 'time (format #f "~a/~a" (ly:event-property event 'numerator)
                               (ly:event-property event 'denominator))))
        (ly:context-events-below context) 'time-signature-event)))))

\layout {
  \context {
    \Score
    \consists #choirly-events-engraver
    \consists #choirly-time-watch-engraver
  }
  \context {
    \Staff
    \consists #choirly-clef-watch-engraver
  }
}
