// What the scheduler asks of a way from a score file to a LilyPond document; each path
// (choirly's, the page's) gives one of these, and the scheduler knows no path but this.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

// One score's conversion. The log and a document are written even when it failed, so that
// the user can see how far it went.
struct conversion {
  outcome verdict = done{};
  std::string document;  // empty when there is none
  std::string log;       // the converter's messages, and notes of this program
};

// A file that is no score this path can take: the reason is the verdict and the log's line.
inline conversion refused_file(const std::string& reason) {
  conversion refused;
  refused.verdict = failure{reason};
  refused.log = "choirly-engrave: " + reason + "\n";
  return refused;
}

struct conversion_path {
  std::string name;  // for messages, such as "choirly"
  // Larger files are refused without being read whole.
  std::size_t max_file_size = 0;
  std::function<conversion(std::string_view file)> convert;
  // The document is written for an older LilyPond and goes through convert-ly first.
  bool needs_convert_ly = true;
  // The document's file name extension.
  std::string document_extension = ".ly";
};

}  // namespace choirly::engrave
