// One staff's music on the page: its measures one a line with their bar checks, the chords
// and rests with their marks, the voices that longer chord notes need, and its verses.
#pragma once

#include <array>
#include <cstddef>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "page/marks.hpp"
#include "page/printer.hpp"
#include "page/repeats.hpp"
#include "page/verses.hpp"
#include "score/model.hpp"

namespace choirly::page {

// How a staff's voice stands: alone on its staff, or the upper or lower layer of one.
enum class voice_shape { alone, upper, lower };

// A chord part's notes as one voice writes them.
struct voice_part {
  const score::chord_part* part = nullptr;  // the duration it is written with
  std::array<const std::vector<score::note>*, 2> lists = {nullptr, nullptr};

  template <typename Visit>
  void each(Visit visit) const {
    for (const std::vector<score::note>* list : lists)
      if (list)
        for (const score::note& n : *list)
          visit(n);
  }
  std::size_t size() const {
    return (lists[0] ? lists[0]->size() : 0) + (lists[1] ? lists[1]->size() : 0);
  }
};

// What the whole page asks of each staff's music: the number of its first measure, and the
// moments where a line may break though this staff has no bar line there, in rising order.
struct staff_layout {
  int first_bar = 1;
  std::vector<score::rational> break_points;
};

class staff_music {
 public:
  // `score_marks` holds the marks that belong to the whole score (tempos, flow marks) once
  // one staff has written them.
  staff_music(const score::staff& s, std::set<std::string>& score_marks, voice_shape shape,
              const staff_repeats& repeats, bool per_staff_repeats,
              const staff_layout& layout = {});

  // The music variable's body, its lines indented and ended.
  std::string music() const { return out_.text(); }
  // The bodies of the voices the longer chord notes sound in.
  std::vector<std::string> lower_voices() const;
  // The bodies of the verses' \lyricmode blocks.
  std::vector<std::string> verses() const;

 private:
  struct lower_voice {
    score::rational until;
    printer out;
  };

  void write();
  void item(std::size_t index, bool& timing_done);
  void bar(const score::bar_line& b);
  void end_of_staff();
  void time_signature(const score::time_change& t);
  void tempo(const score::tempo_mark& t);
  void timing(const score::measure& m);
  void plan_events();
  void plan_ties();
  void plan_beams();
  void lower_beam(std::size_t start, std::size_t end);
  void stem(const score::event& e);
  bool has_notes(std::size_t index) const;
  std::string chord_text(const voice_part& notes, const std::string& dur, bool with_ties) const;
  void grace(const score::event& e);
  void flush_graces();
  void two_voices(std::size_t index, const score::event& e);
  void main_event(std::size_t index, const score::event& e);
  void break_point(const score::event& e);
  // A voice's event as ties are planned: the notes it writes and when they end.
  struct tie_entry {
    const score::event* e;
    std::array<const std::vector<score::note>*, 2> lists;
    score::rational end;
  };
  std::vector<std::vector<tie_entry>> tie_voices() const;
  const score::note* tie_target(const score::note& n) const;
  void lower(std::size_t index, const score::event& e);

  const score::staff& staff_;
  std::set<std::string>& score_marks_;
  voice_shape shape_;
  const staff_repeats& repeats_;
  bool per_staff_repeats_;
  const staff_layout& layout_;
  std::vector<score::rational> own_bars_;  // where this staff's bar lines stand, rising
  std::size_t next_break_ = 0;             // cursors into break_points and own_bars_
  std::size_t next_bar_ = 0;
  bool renumber_after_pickup_ = false;  // the pickup counts as a measure of its own
  mark_writer marks_;
  printer out_;
  std::vector<std::size_t> order_;  // the items that are events other than grace notes
  std::vector<voice_part> upper_;   // by item index
  // By item index: a chord's part that sounds in a lower voice, and which of them.
  std::vector<const score::chord_part*> lower_part_;
  std::vector<std::size_t> lower_voice_;
  std::vector<bool> lower_beam_open_, lower_beam_close_;
  std::vector<bool> slur_open_, slur_close_;
  std::vector<bool> beam_open_, beam_close_;                     // by item index
  score::stem_direction stem_ = score::stem_direction::neutral;  // the run in force
  std::unordered_set<const score::note*> tied_, tied_into_;
  std::unordered_set<const score::note*> let_ring_;  // ties no later note of their voice takes
  std::vector<bool> waits_;              // by voice, the staff's own first: a tie there skips notes
  std::vector<std::size_t> slot_items_;  // the item of each syllable slot
  std::vector<syllable_slot> slots_;
  std::vector<lower_voice> lower_;
  std::string graces_;
  int grace_count_ = 0;
  std::size_t boundary_ = 0;          // the repeats' measure boundary reached
  bool pickup_possible_ = true;       // no measure with length has passed yet
  score::rational lily_length_{1};    // LilyPond's measureLength
  score::rational two_voices_until_;  // when the longer notes of the two voices end
  bool symbols_ = true;  // LilyPond shows 4/4 and 2/2 as C and cut C until told otherwise
};

}  // namespace choirly::page
