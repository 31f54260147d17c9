// One line of a NoteWorthy Composer text score cut into its record name and fields, and the
// small readers for field values (durations, positions, quoted texts).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace choirly::score {

struct field {
  std::string_view name;
  std::string_view value;  // quoted values keep their quotes and escapes
};

struct record {
  std::string_view name;  // "Note" for "|Note|Dur:4th|Pos:0"
  std::vector<field> fields;

  std::optional<std::string_view> get(std::string_view field_name) const;
  bool has(std::string_view field_name) const { return get(field_name).has_value(); }
};

// Cuts "|Name|Key:value|Key:"quoted \| text"|..." into `out`; false when the line is no record.
bool split_record(std::string_view line, record& out);

// The text of a quoted value with its escapes undone: \" \' \| \\ and the others give the
// character itself, \n a line end, \r nothing. A value without quotes is taken as it is.
std::string unquote(std::string_view value);

// The items of a comma list, such as "4th,Dotted,Slur".
std::vector<std::string_view> comma_items(std::string_view value);

// Calls `visit` with each item of a comma list, without building the list.
template <typename Visit>
void for_each_item(std::string_view value, Visit visit) {
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    visit(value.substr(0, comma));
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
}

struct duration_value {
  int base = 0;  // 1 .. 64, 0 when the field names none
  int dots = 0;
  bool triplet = false;
  bool triplet_first = false;
  bool triplet_end = false;
  bool slur = false;
  bool grace = false;
};

duration_value read_duration(std::string_view value);

struct position_item {
  int position = 0;
  char accidental = 0;
  bool tie = false;
  char head = 0;  // a note-head letter after the number: 'x', 'X', 'y', 'Y', 'z', 'a' or 'b'
};

// "#-3^" and the like; nullopt when the item holds no position number.
std::optional<position_item> read_position(std::string_view item);

// A whole number with an optional sign; nullopt when there are no digits or it is too large.
std::optional<int> read_int(std::string_view text);

}  // namespace choirly::score
