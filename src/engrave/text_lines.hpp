// The one line splitter of the companion: `for (std::string_view line : lines(text))` gives
// each line of a text without its LF, the last one only when something follows the final LF.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace choirly::engrave {

class lines {
 public:
  explicit lines(std::string_view text) : text_(text) {}

  class iterator {
   public:
    iterator(std::string_view text, std::size_t start) : text_(text), start_(start) { find_end(); }
    std::string_view operator*() const { return text_.substr(start_, end_ - start_); }
    iterator& operator++() {
      start_ = end_ + 1;
      find_end();
      return *this;
    }
    // Every iterator past the last line is the end.
    bool operator==(const iterator& other) const {
      return std::min(start_, text_.size()) == std::min(other.start_, other.text_.size());
    }

   private:
    void find_end() {
      end_ = start_ < text_.size() ? text_.find('\n', start_) : text_.size();
      if (end_ == std::string_view::npos) end_ = text_.size();
    }
    std::string_view text_;
    std::size_t start_, end_ = 0;
  };

  iterator begin() const { return {text_, 0}; }
  iterator end() const { return {text_, text_.size()}; }

 private:
  std::string_view text_;
};

}  // namespace choirly::engrave
