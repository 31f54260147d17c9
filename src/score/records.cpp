// Record splitting and field value readers.
#include "score/records.hpp"

#include <array>
#include <utility>

namespace choirly::score {

std::optional<std::string_view> record::get(std::string_view field_name) const {
  for (const field& f : fields)
    if (f.name == field_name) return f.value;
  return std::nullopt;
}

bool split_record(std::string_view line, record& out) {
  out.fields.clear();
  if (line.size() < 2 || line[0] != '|') return false;
  std::size_t i = 1;
  std::size_t end = line.find('|', i);
  if (end == std::string_view::npos) end = line.size();
  out.name = line.substr(i, end - i);
  i = end;
  while (i < line.size()) {
    ++i;  // past the bar
    const std::size_t start = i;
    while (i < line.size() && line[i] != ':' && line[i] != '|')
      ++i;
    const std::string_view name = line.substr(start, i - start);
    if (i >= line.size() || line[i] == '|') {
      out.fields.push_back({name, {}});
      continue;
    }
    ++i;  // past the colon
    const std::size_t value_start = i;
    if (i < line.size() && line[i] == '"') {
      // A quoted value runs to the next quote that no backslash escapes; bars inside it
      // belong to the text.
      ++i;
      while (i < line.size() && line[i] != '"')
        i += line[i] == '\\' ? 2 : 1;
      if (i < line.size()) ++i;
      if (i > line.size()) i = line.size();
    }
    while (i < line.size() && line[i] != '|')
      ++i;
    out.fields.push_back({name, line.substr(value_start, i - value_start)});
  }
  return !out.name.empty();
}

std::string unquote(std::string_view value) {
  if (value.empty() || value[0] != '"') return std::string(value);
  value.remove_prefix(1);
  std::string text;
  text.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') break;
    if (c != '\\' || i + 1 == value.size()) {
      text += c;
      continue;
    }
    const char next = value[++i];
    if (next == 'n')
      text += '\n';
    else if (next != 'r')
      text += next;
  }
  return text;
}

std::vector<std::string_view> comma_items(std::string_view value) {
  std::vector<std::string_view> items;
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    items.push_back(value.substr(0, comma));
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return items;
}

duration_value read_duration(std::string_view value) {
  static constexpr std::array<std::pair<std::string_view, int>, 7> bases = {{
      {"Whole", 1},
      {"Half", 2},
      {"4th", 4},
      {"8th", 8},
      {"16th", 16},
      {"32nd", 32},
      {"64th", 64},
  }};
  duration_value d;
  for_each_item(value, [&](std::string_view item) {
    for (const auto& [name, base] : bases)
      if (item == name) d.base = base;
    if (item == "Dotted") d.dots = 1;
    if (item == "DblDotted") d.dots = 2;
    if (item == "Slur") d.slur = true;
    if (item == "Grace") d.grace = true;
    if (item.starts_with("Triplet")) {
      d.triplet = true;
      d.triplet_first = item == "Triplet=First";
      d.triplet_end = item == "Triplet=End";
    }
  });
  return d;
}

std::optional<int> read_int(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  int n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > 1000000) return std::nullopt;
  }
  return negative ? -n : n;
}

std::optional<position_item> read_position(std::string_view item) {
  position_item p;
  if (!item.empty() && std::string_view("#bnxv").find(item[0]) != std::string_view::npos) {
    p.accidental = item[0];
    item.remove_prefix(1);
  }
  const std::optional<int> n = read_int(item);
  // Staff positions lie within a few ledger lines of the staff; far ones are no pitch.
  if (!n || *n < -200 || *n > 200) return std::nullopt;
  p.position = *n;
  // After the number come marks such as the tie "^" and note-head letters.
  p.tie = item.find('^') != std::string_view::npos;
  const std::size_t head = item.find_first_of("xXyYzab");
  if (head != std::string_view::npos) p.head = item[head];
  return p;
}

}  // namespace choirly::score
