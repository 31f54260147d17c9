// Lines, breaks, bar checks and brackets of the page's music.
#include "page/printer.hpp"

#include <algorithm>

namespace choirly::page {

void printer::token(std::string_view text) {
  if (text.empty()) return;
  const bool every_n =
      breaks_.tokens_per_line > 0 && tokens_ > 0 && tokens_ % breaks_.tokens_per_line == 0;
  const bool too_wide =
      breaks_.max_width > 0 && width_ > 0 && width_ + text.size() > breaks_.max_width;
  if (every_n || too_wide) end_line();
  if (line_.empty() && pending_number_ > 0) {
    lines_.push_back("% " + std::to_string(pending_number_));
    pending_number_ = 0;
  }
  if (!line_.empty()) line_ += ' ';
  line_ += text;
  ++tokens_;
  // The wrap counts a blank after every token, the first one too.
  width_ += text.size() + 1;
}

void printer::open(nest kind, std::string_view text) {
  token(text);
  open_.push_back(kind);
}

void printer::close(nest kind, std::string_view text) {
  const auto innermost = std::find(open_.rbegin(), open_.rend(), kind);
  if (innermost == open_.rend()) return;
  open_.erase(std::next(innermost).base());
  token(text);
}

bool printer::is_open(nest kind) const {
  return std::find(open_.begin(), open_.end(), kind) != open_.end();
}

void printer::bar_check() {
  token("|");
  ++measure_;
  if (breaks_.measure_number_every > 0 && measure_ % breaks_.measure_number_every == 0)
    pending_number_ = measure_;
}

void printer::end_line() {
  if (!line_.empty()) lines_.push_back(std::move(line_));
  line_.clear();
  width_ = 0;
}

void printer::line(std::string text) {
  end_line();
  lines_.push_back(std::move(text));
}

std::string printer::text() const {
  std::size_t size = line_.size() + 3;
  for (const std::string& l : lines_)
    size += l.size() + 3;
  std::string out;
  out.reserve(size);
  const auto add = [&out](const std::string& l) {
    out += "  ";
    out += l;
    out += '\n';
  };
  for (const std::string& l : lines_)
    add(l);
  if (!line_.empty()) add(line_);
  return out;
}

}  // namespace choirly::page
