// The marks on and around the notes as LilyPond writes them: post-events on the next note
// (articulations, dynamics, hairpins, texts, fermatas, pedal) and marks at their place.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "score/model.hpp"

namespace choirly::page {

class mark_writer {
 public:
  // `shared` holds the score-wide marks already written, so that staves do not repeat them.
  explicit mark_writer(std::set<std::string>& shared) : shared_(shared) {}

  // A mark met in the staff: returns what stands at its place; the rest waits for the next
  // note.
  std::string take(const score::mark& m);

  // The post-events of an event: its articulations, the marks waiting for it, hairpins.
  std::string post_events(const score::event& e);

  // What is still waiting when the staff ends, on an empty chord.
  std::string at_staff_end();

 private:
  std::string flow(const score::mark& m);
  void dynamic(const score::mark& m);

  std::set<std::string>& shared_;
  std::vector<std::string> pending_;
  bool pending_dynamic_ = false;
  std::size_t dynamic_at_ = 0;  // the waiting dynamic's place in pending_
  bool dynamic_visible_ = false;
  bool dynamic_above_ = false;
  std::string dynamic_name_;
  bool fermata_pending_ = false;
  score::hairpin_option hairpin_ = score::hairpin_option::none;
  bool pedal_down_ = false;
};

// The dynamic a mark prints as LilyPond's own ("ff", "sfz"), or empty.
std::string printed_dynamic(const score::mark& m);

// The words a mark prints above or below the staff (texts, styles, tempo words, "cresc."),
// or empty.
std::string printed_text(const score::mark& m);

// The text a flow mark prints, such as "D.C. al Fine"; empty for the segno and coda signs.
std::string flow_text(std::string_view style);

}  // namespace choirly::page
