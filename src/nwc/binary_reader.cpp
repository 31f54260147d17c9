// Reader of the binary score format (1.70-2.05): a cursor that checks every read against the
// bytes left, a table of what each version holds, and the text records written as it reads.
#include "nwc/binary_reader.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <vector>

#include "nwc/code_page.hpp"

namespace choirly::nwc {

namespace {

constexpr std::string_view magic{"[NoteWorthy ArtWare]\0\0\0[NoteWorthy Composer]\0", 45};

// What a version holds, where it differs from the others.
struct version_layout {
  unsigned word;
  std::string_view name;
  bool has_lyricist;     // SongInfo Lyricist string
  bool has_typeface;     // notation typeface string in the page setup
  bool has_justify;      // justify-vertically byte
  int editor_bytes;      // editor state before the staff count
  int staff_strings;     // 2: name, group; 4: + label, instrument; 5: + label abbreviation
  int staff_fixed;       // bytes of a staff's fixed part
  int velocities_at;     // default dynamic velocities in the fixed part, or -1
  int style_at;          // staff style; boundaries follow it
  bool has_lines;        // a Lines byte after the boundaries (else 5 lines)
  int note_extra;        // bytes after a single note's block
  int chord_extra;       // bytes after a chord header's block
  int key_bytes;         // key signature
  bool later_note_bits;  // 2.0x note bits: Crescendo/Diminuendo, Muted, stem length, ...
};

constexpr std::array<version_layout, 6> layouts = {{
    {0x0146, "1.70", false, false, false, 0, 2, 32, -1, 13, false, 2, 4, 10, false},
    {0x014B, "1.75", false, false, false, 0, 2, 33, -1, 13, true, 0, 0, 10, false},
    {0x0200, "2.00", true, true, true, 0, 4, 41, 13, 21, true, 0, 0, 10, true},
    {0x0201, "2.01", true, true, true, 0, 4, 41, 13, 21, true, 0, 0, 10, true},
    {0x0202, "2.02", true, true, true, 0, 4, 41, 13, 21, true, 0, 0, 10, true},
    {0x0205, "2.05", true, true, true, 13, 5, 41, 13, 21, true, 0, 0, 12, true},
}};

// Velocities that NoteWorthy gives staves of files that hold none.
constexpr std::array<int, 8> default_velocities = {10, 30, 45, 60, 75, 92, 108, 127};

constexpr std::array<std::string_view, 12> font_styles = {
    "StaffItalic", "StaffBold", "StaffLyric", "PageTitleText", "PageText", "PageSmallText",
    "User1",       "User2",     "User3",      "User4",         "User5",    "User6"};
constexpr std::array<std::string_view, 4> staff_label_names = {"None", "First System",
                                                               "Top Systems", "All Systems"};
constexpr std::array<std::string_view, 4> bar_number_names = {"None", "Plain", "Circled", "Boxed"};
constexpr std::array<std::string_view, 5> ending_bar_names = {
    "Section Close", "Master Repeat Close", "Single", "Double", "Open (hidden)"};
constexpr std::array<std::string_view, 7> duration_names = {"Whole", "Half", "4th", "8th",
                                                            "16th",  "32nd", "64th"};
constexpr std::array<std::string_view, 5> clef_names = {"Treble", "Bass", "Alto", "Tenor",
                                                        "Percussion"};
constexpr std::array<std::string_view, 3> octave_shift_names = {"", "Octave Up", "Octave Down"};
constexpr std::array<std::string_view, 8> bar_style_names = {"",
                                                             "Double",
                                                             "SectionOpen",
                                                             "SectionClose",
                                                             "LocalRepeatOpen",
                                                             "LocalRepeatClose",
                                                             "MasterRepeatOpen",
                                                             "MasterRepeatClose"};
constexpr std::array<std::string_view, 6> tempo_base_names = {
    "Eighth", "Eighth Dotted", "Quarter", "Quarter Dotted", "Half", "Half Dotted"};
constexpr std::array<std::string_view, 8> dynamic_names = {"ppp", "pp", "p",  "mp",
                                                           "mf",  "f",  "ff", "fff"};
constexpr std::array<std::string_view, 10> flow_names = {
    "Coda",     "Segno",    "Fine",     "ToCoda",   "DaCapo",
    "DCalCoda", "DCalFine", "DalSegno", "DSalCoda", "DSalFine"};
constexpr std::array<std::string_view, 9> tempo_variance_names = {
    "Breath Mark", "Fermata",  "Accelerando", "Allargando", "Rallentando",
    "Ritardando",  "Ritenuto", "Rubato",      "Stringendo"};
constexpr std::array<std::string_view, 5> dynamic_variance_names = {
    "Crescendo", "Decrescendo", "Diminuendo", "Rinforzando", "Sforzando"};
constexpr std::array<std::string_view, 23> performance_names = {
    "Ad Libitum", "Animato",  "Cantabile", "Con brio", "Dolce",       "Espressivo",
    "Grazioso",   "Legato",   "Maestoso",  "Marcato",  "Meno mosso",  "Poco a poco",
    "Piu mosso",  "Semplice", "Simile",    "Solo",     "Sostenuto",   "Sotto Voce",
    "Staccato",   "Subito",   "Tenuto",    "Tutti",    "Volta Subito"};
constexpr std::array<std::string_view, 4> visibility_names = {"", "Always", "TopStaff", "Never"};
constexpr std::array<std::string_view, 4> justify_names = {"", "Center", "Right", ""};
constexpr std::array<std::string_view, 4> placement_names = {"", "BestFitForward",
                                                             "AsStaffSignature", "AtNextNote"};
constexpr std::string_view accidental_marks = "#bnxv";
// Key signature letters in the order the text lists them, as bit numbers (A = bit 0).
constexpr std::array<int, 7> flat_order = {1, 4, 0, 3, 6, 2, 5};   // B E A D G C F
constexpr std::array<int, 7> sharp_order = {5, 2, 6, 3, 0, 4, 1};  // F C G D A E B
// The letter of the major key with n flats or n sharps, as NoteWorthy writes the tonic.
constexpr std::string_view flat_tonics = "CFBEADGC";
constexpr std::string_view sharp_tonics = "CGDAEBFC";

enum object_type {
  clef = 0,
  key,
  bar,
  ending,
  instrument,
  time_signature,
  tempo,
  dynamic,
  note,
  rest,
  chord,
  sustain_pedal,
  flow,
  mpc,
  tempo_variance,
  dynamic_variance,
  performance_style,
  text,
  rest_chord,
  object_types
};

struct damaged {
  std::size_t at;
  std::string what;
};

template <std::size_t n>
std::string_view name_of(const std::array<std::string_view, n>& names, unsigned index,
                         std::size_t at, const char* what) {
  if (index >= n)
    throw damaged{at, std::string(what) + " " + std::to_string(index) + " is unknown"};
  return names[index];
}

// Every read checks the bytes left first; a failure names the byte where it stopped.
class cursor {
 public:
  explicit cursor(std::string_view bytes) : bytes_(bytes) {}
  std::size_t at() const { return at_; }
  std::size_t left() const { return bytes_.size() - at_; }
  void need(std::size_t count, const char* what) const {
    if (count > left()) throw damaged{at_, std::string(what) + " runs past the end"};
  }
  unsigned u8(const char* what) {
    need(1, what);
    return static_cast<unsigned char>(bytes_[at_++]);
  }
  int s8(const char* what) { return static_cast<std::int8_t>(u8(what)); }
  unsigned u16(const char* what) {
    need(2, what);
    const unsigned low = static_cast<unsigned char>(bytes_[at_]);
    const unsigned high = static_cast<unsigned char>(bytes_[at_ + 1]);
    at_ += 2;
    return low | high << 8;
  }
  int s16(const char* what) { return static_cast<std::int16_t>(u16(what)); }
  std::string_view bytes(std::size_t count, const char* what) {
    need(count, what);
    const std::string_view taken = bytes_.substr(at_, count);
    at_ += count;
    return taken;
  }
  std::string_view zstr(const char* what) {
    const std::size_t end = bytes_.find('\0', at_);
    if (end == std::string_view::npos)
      throw damaged{at_, std::string(what) + " has no end before the end of the file"};
    const std::string_view taken = bytes_.substr(at_, end - at_);
    at_ = end + 1;
    return taken;
  }
  unsigned peek() const { return left() > 0 ? static_cast<unsigned char>(bytes_[at_]) : 0; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

std::string yes_no(bool value) {
  return value ? "Y" : "N";
}

// A note's or rest's eight bytes after the visibility byte, and the stem length of 2.0x.
struct note_block {
  std::array<unsigned, 8> b{};
  int stem_length = -1;
  std::size_t at = 0;

  unsigned stem() const { return b[2] >> 4 & 3; }
  int position() const { return -static_cast<std::int8_t>(b[6]); }
};

struct staff {
  std::string_view name, label, label_abbr, instrument_name, group;
  unsigned ending_bar = 0, muted = 0, device = 0, channel = 0, patch = 0, color = 0;
  std::array<int, 8> velocities = default_velocities;
  int style = 0, top = 0, bottom = 0, lines = 5, layer = 0, transposition = 0;
  int volume = 0, pan = 0, lyric_lines = 0;
  bool visible = true;
  std::string records;  // lyrics and objects, already in text form
};

// The page setup, read in three parts around the fonts and written before them.
struct page_setup {
  bool extend_last_system = false, duration_padding = false, mirror = false;
  bool allow_layering = true, title_page = false, justify = true;
  std::string_view bar_numbers, staff_labels, margins, typeface;
  std::size_t margins_at = 0;  // where the margins string begins, for its damage report
  int starting_bar = 0, staff_size = 0, page_numbers = 0;
  unsigned zoom = 0;
  std::array<unsigned, 32> visible_mask{};  // a bit per staff
};

// Appends a whole number without a temporary string.
void append_number(std::string& out, long value) {
  std::array<char, 24> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), error == std::errc{} ? end : digits.data());
}

// In the text being built, a string of the file stands as this byte, its index and
// string_end: the code page, and so the escaping, is known only when every string is read.
constexpr char string_mark = '\x01';
constexpr char string_end = '\x02';

class reader {
 public:
  reader(std::string_view body, const version_layout& version) : in_(body), v_(version) {}

  // The text with a mark for each string; then strings() and with_strings().
  std::string read();
  const std::vector<std::string_view>& strings() const { return strings_; }
  // The text with each mark replaced by its string, escaped, in `code_page`.
  std::string with_strings(const std::string& marked, int code_page) const;

 private:
  void quoted(std::string& out, std::string_view raw) {
    out += '"';
    out += string_mark;
    append_number(out, static_cast<long>(strings_.size()));
    out += string_end;
    out += '"';
    strings_.push_back(raw);
  }
  // A string made here (a lyric line), kept until the text is put together.
  void quoted(std::string& out, std::string&& made) {
    made_.push_back(std::move(made));
    quoted(out, std::string_view(made_.back()));
  }
  void read_song_info(std::string& text);
  page_setup read_page_setup();
  std::string read_fonts();
  void read_page_options(page_setup& page);
  void write_page_setup(std::string& text, const page_setup& page);
  static void write_margins(std::string& text, const page_setup& page);
  std::vector<staff> read_staves(const std::array<unsigned, 32>& visible_mask);
  void write_staves(std::string& text, const std::vector<staff>& staves);
  void write_staff_sound(std::string& text, const staff& s);
  void read_font(std::string& out, std::size_t index);
  staff read_staff_header(const std::array<unsigned, 32>& visible_mask, std::size_t index);
  void read_lyrics(staff& s);
  void read_object(std::string& out);
  void read_clef(std::string& out);
  void read_key(std::string& out);
  void read_bar(std::string& out);
  void read_ending(std::string& out);
  void read_instrument(std::string& out);
  void read_time_signature(std::string& out);
  void read_tempo(std::string& out);
  void read_dynamic(std::string& out);
  void read_note(std::string& out);
  void read_rest(std::string& out);
  void read_sustain_pedal(std::string& out);
  void read_flow(std::string& out);
  void read_mpc(std::string& out);
  void read_tempo_variance(std::string& out);
  template <std::size_t n>
  void read_named_mark(std::string& out, std::string_view record,
                       const std::array<std::string_view, n>& names, const char* what,
                       const char* kind);
  void read_text(std::string& out);
  note_block read_note_block(std::size_t extra);
  note_block read_rest_block();
  void read_chord(std::string& out, unsigned visibility);
  void read_rest_chord(std::string& out, unsigned visibility);
  std::string position_and_placement();
  static void placement(std::string& out, int position, unsigned place);
  void visibility(std::string& out, unsigned visibility);

  void duration(std::string& out, const note_block& n, bool is_rest) const;
  void options(std::string& out, const note_block& n, bool articulations_on_stem,
               bool is_rest) const;
  static void note_position(std::string& out, const note_block& n);

  cursor in_;
  const version_layout& v_;
  std::vector<std::string_view> strings_;
  std::deque<std::string> made_;  // a deque, so that the views of strings_ stay valid
};

std::string reader::with_strings(const std::string& marked, int code_page) const {
  std::string text;
  text.reserve(marked.size() + marked.size() / 8);
  for (std::size_t at = 0; at < marked.size();) {
    const std::size_t mark = marked.find(string_mark, at);
    if (mark == std::string::npos) {
      text.append(marked, at, std::string::npos);
      break;
    }
    text.append(marked, at, mark - at);
    std::size_t index = 0;
    std::size_t end = mark + 1;
    for (; marked[end] != string_end; ++end)
      index = index * 10 + static_cast<std::size_t>(marked[end] - '0');
    append_escaped(text, strings_[index], code_page);
    at = end + 1;
  }
  return text;
}

std::string reader::read() {
  std::string text = "!NoteWorthyComposer(2.75)\n";
  read_song_info(text);
  page_setup page = read_page_setup();
  const std::string fonts = read_fonts();
  read_page_options(page);
  write_page_setup(text, page);
  text += fonts;
  write_margins(text, page);
  const std::vector<staff> staves = read_staves(page.visible_mask);
  write_staves(text, staves);
  text += "!NoteWorthyComposer-End\n";
  return text;
}

void reader::read_song_info(std::string& text) {
  in_.bytes(magic.size() + 2 + 4, "the file header");
  in_.zstr("the user name");
  in_.zstr("the registration");
  in_.bytes(10, "the file header");
  const std::string_view title = in_.zstr("the title");
  const std::string_view author = in_.zstr("the author");
  const std::string_view lyricist = v_.has_lyricist ? in_.zstr("the lyricist") : "";
  const std::string_view copyright1 = in_.zstr("the first copyright line");
  const std::string_view copyright2 = in_.zstr("the second copyright line");
  const std::string_view comments = in_.zstr("the comments text");
  text += "|SongInfo|Title:";
  quoted(text, title);
  text += "|Author:";
  quoted(text, author);
  text += "|Lyricist:";
  quoted(text, lyricist);
  text += "|Copyright1:";
  quoted(text, copyright1);
  text += "|Copyright2:";
  quoted(text, copyright2);
  if (!comments.empty()) {
    text += "|Comments:";
    quoted(text, comments);
  }
}

page_setup reader::read_page_setup() {
  page_setup page;
  page.extend_last_system = in_.u8("the page setup") == 'Y';
  page.duration_padding = in_.u8("the page setup") == 'Y';
  in_.zstr("the page setup");
  in_.zstr("the page setup");
  std::size_t field_at = in_.at();
  page.bar_numbers =
      name_of(bar_number_names, in_.u8("the bar number style"), field_at, "bar number style");
  in_.u8("the page setup");
  page.starting_bar = in_.s16("the starting bar");
  page.margins_at = in_.at();
  page.margins = in_.zstr("the page margin text");
  page.mirror = in_.u8("the mirror margin switch") != 0;
  page.zoom = in_.u16("the zoom");
  for (unsigned& byte : page.visible_mask)
    byte = in_.u8("the staff visibility");
  page.allow_layering = in_.u8("the layering switch") != 0;
  page.typeface = v_.has_typeface ? in_.zstr("the notation typeface") : "";
  page.staff_size = in_.s16("the staff size");
  return page;
}

std::string reader::read_fonts() {
  std::string fonts;
  if (v_.word != 0x0146) {
    for (std::size_t i = 0; i < font_styles.size(); ++i)
      read_font(fonts, i);
    return fonts;
  }
  // Some 1.70 files hold ten fonts: then a string does not follow the tenth.
  for (std::size_t i = 0; i < 10; ++i)
    read_font(fonts, i);
  const std::size_t font_count = in_.peek() != 0x00 && in_.peek() != 0xFF ? 12 : 10;
  for (std::size_t i = 10; i < font_count; ++i)
    read_font(fonts, i);
  for (std::size_t i = font_count; i < font_styles.size(); ++i)
    fonts += "|Font|Style:" + std::string(font_styles[i]) +
             "|Typeface:\"Times New Roman\"|Size:8|Bold:N|Italic:N|CharSet:0\n";
  return fonts;
}

void reader::read_page_options(page_setup& page) {
  page.title_page = in_.u8("the title page switch") == 0xFF;
  const std::size_t field_at = in_.at();
  page.staff_labels =
      name_of(staff_label_names, in_.u8("the staff label style"), field_at, "staff label style");
  page.page_numbers = in_.s16("the page number setting");
  page.justify = v_.has_justify ? in_.u8("the vertical justification") == 0xFF : true;
  in_.bytes(static_cast<std::size_t>(v_.editor_bytes), "the editor state");
}

void reader::write_page_setup(std::string& text, const page_setup& page) {
  text += "\n|PgSetup|StaffSize:" + std::to_string(page.staff_size);
  if (!page.typeface.empty()) {
    text += "|NtnTypeface:";
    quoted(text, page.typeface);
  }
  text += "|Zoom:" + std::to_string(page.zoom / 2) + "|TitlePage:" + yes_no(page.title_page) +
          "|JustifyVertically:" + yes_no(page.justify) +
          "|PrintSystemSepMark:N|ExtendLastSystem:" + yes_no(page.extend_last_system) +
          "|DurationPadding:" + yes_no(page.duration_padding) +
          "|PageNumbers:" + std::to_string(page.page_numbers) +
          "|StaffLabels:" + std::string(page.staff_labels) +
          "|BarNumbers:" + std::string(page.bar_numbers) +
          "|StartingBar:" + std::to_string(page.starting_bar);
  if (!page.allow_layering) text += "|AllowLayering:N";
  text += '\n';
}

// Margins are inches, top left right bottom; the text gives centimetres.
void reader::write_margins(std::string& text, const page_setup& page) {
  std::array<double, 4> inches{};
  const char* from = page.margins.data();
  const char* end = page.margins.data() + page.margins.size();
  for (double& value : inches) {
    while (from < end && *from == ' ')
      ++from;
    const auto [next, error] = std::from_chars(from, end, value);
    if (error != std::errc{})
      throw damaged{page.margins_at, "the page margins are not four numbers"};
    from = next;
  }
  const auto centimetres = [](double value) {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.2f", value * 2.54);
    return std::string(buffer.data());
  };
  text += "|PgMargins|Left:" + centimetres(inches[1]) + "|Top:" + centimetres(inches[0]) +
          "|Right:" + centimetres(inches[2]) + "|Bottom:" + centimetres(inches[3]) +
          "|Mirror:" + yes_no(page.mirror) + '\n';
}

std::vector<staff> reader::read_staves(const std::array<unsigned, 32>& visible_mask) {
  std::size_t field_at = in_.at();
  const int staff_count = in_.s16("the staff count");
  if (staff_count < 0 || staff_count > 256)
    throw damaged{field_at, "a score of " + std::to_string(staff_count) + " staves"};
  std::vector<staff> staves;
  for (int i = 0; i < staff_count; ++i) {
    staff s = read_staff_header(visible_mask, static_cast<std::size_t>(i));
    if (s.lyric_lines > 0) read_lyrics(s);
    in_.u16("the staff's object list");
    field_at = in_.at();
    const int count = in_.s16("the object count");
    if (count < 2) throw damaged{field_at, "an object count of " + std::to_string(count)};
    for (int k = 0; k < count - 2; ++k)
      read_object(s.records);
    staves.push_back(std::move(s));
  }
  if (in_.left() != 0)
    throw damaged{in_.at(), std::to_string(in_.left()) + " bytes follow the last staff"};
  return staves;
}

// Brackets and braces run from a staff of their style down to a lower grand staff.
void reader::write_staves(std::string& text, const std::vector<staff>& staves) {
  bool bracket = false;
  bool brace = false;
  for (std::size_t i = 0; i < staves.size(); ++i) {
    const staff& s = staves[i];
    text += "|AddStaff|Name:";
    quoted(text, s.name);
    if (!s.label.empty()) {
      text += "|Label:";
      quoted(text, s.label);
    }
    if (!s.label_abbr.empty()) {
      text += "|LabelAbbr:";
      quoted(text, s.label_abbr);
    }
    text += "|Group:";
    quoted(text, s.group);
    text += "\n|StaffProperties|EndingBar:" +
            std::string(name_of(ending_bar_names, s.ending_bar, 0, "ending bar")) +
            "|Visible:" + yes_no(s.visible) + "|BoundaryTop:" + std::to_string(s.top) +
            "|BoundaryBottom:" + std::to_string(s.bottom) + "|Lines:" + std::to_string(s.lines);
    std::string with_next;
    if (s.style == 3) bracket = true;
    if (s.style == 1) brace = true;
    if (s.style == 2) bracket = brace = false;
    if (i + 1 < staves.size()) {
      if (bracket) with_next += ",Bracket";
      if (brace) with_next += ",Brace";
      if (brace || (s.style == 3 && staves[i + 1].style == 3)) with_next += ",ConnectBars";
      if (s.layer != 0) with_next += ",Layer";
    }
    if (!with_next.empty()) text += "|WithNextStaff:" + with_next.substr(1);
    write_staff_sound(text, s);
    text += s.records;
  }
}

void reader::write_staff_sound(std::string& text, const staff& s) {
  text += "|Color:Default\n|StaffProperties|Muted:" + yes_no(s.muted != 0) +
          "|Volume:" + std::to_string(s.volume) + "|StereoPan:" + std::to_string(s.pan) +
          "|Device:" + std::to_string(s.device) + "|Channel:" + std::to_string(s.channel + 1) +
          "\n|StaffInstrument";
  if (!s.instrument_name.empty()) {
    text += "|Name:";
    quoted(text, s.instrument_name);
  }
  if (s.patch != 0) text += "|Patch:" + std::to_string(s.patch - 1);
  text += "|Trans:" + std::to_string(s.transposition) + "|DynVel:";
  for (std::size_t k = 0; k < s.velocities.size(); ++k) {
    if (k != 0) text += ',';
    text += std::to_string(s.velocities[k]);
  }
  text += '\n';
}

void reader::read_font(std::string& out, std::size_t index) {
  const std::string_view typeface = in_.zstr("a font's typeface");
  const unsigned style = in_.u8("a font");
  const unsigned size = in_.u8("a font");
  in_.u8("a font");
  const unsigned char_set = in_.u8("a font");
  out += "|Font|Style:" + std::string(font_styles[index]) + "|Typeface:";
  quoted(out, typeface);
  out += "|Size:" + std::to_string(size) + "|Bold:" + yes_no(style & 1) +
         "|Italic:" + yes_no(style & 2) + "|CharSet:" + std::to_string(char_set) + '\n';
}

staff reader::read_staff_header(const std::array<unsigned, 32>& visible_mask, std::size_t index) {
  staff s;
  s.name = in_.zstr("a staff name");
  if (v_.staff_strings >= 4) s.label = in_.zstr("a staff label");
  if (v_.staff_strings >= 5) s.label_abbr = in_.zstr("a staff label abbreviation");
  if (v_.staff_strings >= 4) s.instrument_name = in_.zstr("a staff's instrument");
  s.group = in_.zstr("a staff group");
  // 1.x files have no label; NoteWorthy labels the staff with its name.
  if (v_.staff_strings < 4) s.label = s.name;
  s.visible = index >= 256 || (visible_mask[index / 8] >> (index % 8) & 1) != 0;

  const std::size_t at = in_.at();
  const std::string_view fixed =
      in_.bytes(static_cast<std::size_t>(v_.staff_fixed), "a staff's properties");
  const auto byte = [&](int offset) { return static_cast<unsigned char>(fixed[offset]); };
  const auto word = [&](int offset) {
    return static_cast<std::int16_t>(byte(offset) | byte(offset + 1) << 8);
  };
  s.ending_bar = byte(0);
  if (s.ending_bar >= ending_bar_names.size())
    throw damaged{at, "ending bar style " + std::to_string(s.ending_bar) + " is unknown"};
  s.muted = byte(1);
  s.channel = byte(3) & 0x0F;
  s.device = byte(5);
  s.patch = byte(11);
  if (v_.velocities_at >= 0)
    for (std::size_t k = 0; k < s.velocities.size(); ++k)
      s.velocities[k] = byte(v_.velocities_at + static_cast<int>(k));
  int offset = v_.style_at;
  s.style = word(offset);
  s.top = -word(offset + 2);
  s.bottom = word(offset + 4);
  offset += 6;
  if (v_.has_lines) s.lines = byte(offset++);
  s.layer = word(offset);
  s.transposition = word(offset + 2);
  s.volume = word(offset + 4);
  s.pan = word(offset + 6);
  s.color = byte(offset + 8);
  s.lyric_lines = word(offset + 11);
  if (s.lyric_lines < 0 || s.lyric_lines > 8)
    throw damaged{at + static_cast<std::size_t>(offset + 11),
                  std::to_string(s.lyric_lines) + " lyric lines"};
  return s;
}

void reader::read_lyrics(staff& s) {
  const unsigned options = in_.u16("the lyric layout");
  const int offset = in_.s16("the lyric offset");
  std::string& out = s.records;
  out += std::string("|Lyrics|Placement:") + ((options & 1) != 0 ? "Top" : "Bottom") +
         "|Align:" + ((options & 2) != 0 ? "Standard Rules" : "Start of Accidental/Note") +
         "|Offset:" + std::to_string(offset) + '\n';
  for (int line = 1; line <= s.lyric_lines; ++line) {
    const unsigned block = in_.u16("a lyric line");
    std::string words;
    if (block != 0) {
      const std::size_t at = in_.at();
      const unsigned used = in_.u16("a lyric line");
      const std::string_view bytes = in_.bytes(block, "a lyric line");
      if (used > block) throw damaged{at, "a lyric line uses more than its block"};
      // Two bytes of unknown use, then syllables each ended by a NUL; every syllable after
      // the first begins with its separator.
      std::string_view syllables = bytes.substr(0, used).substr(std::min<std::size_t>(2, used));
      bool first = true;
      while (!syllables.empty()) {
        const std::size_t end = std::min(syllables.find('\0'), syllables.size());
        std::string_view chunk = syllables.substr(0, end);
        syllables.remove_prefix(std::min(end + 1, syllables.size()));
        if (!first && !chunk.empty()) {
          const char separator = chunk.front();
          chunk.remove_prefix(1);
          if (separator == '\r')
            words += '\n';
          else if (separator == '\n')
            words += "\n\n";
          else
            words += separator;
        }
        first = false;
        for (const char c : chunk)
          words += c == ' ' ? '_' : c;
      }
    }
    words += '\n';
    out += "|Lyric" + std::to_string(line) + "|Text:";
    quoted(out, std::move(words));
    out += '\n';
  }
  in_.u16("the lyrics' closing word");
}

note_block reader::read_note_block(std::size_t extra) {
  note_block n;
  n.at = in_.at();
  const std::string_view bytes = in_.bytes(8, "a note");
  for (std::size_t k = 0; k < 8; ++k)
    n.b[k] = static_cast<unsigned char>(bytes[k]);
  in_.bytes(extra, "a note");
  if (v_.later_note_bits && (n.b[7] & 0x40) != 0) n.stem_length = in_.s8("a note's stem length");
  if ((n.b[0] & 0x0F) >= duration_names.size())
    throw damaged{n.at, "note length " + std::to_string(n.b[0] & 0x0F) + " is unknown"};
  return n;
}

note_block reader::read_rest_block() {
  note_block n;
  n.at = in_.at();
  const std::string_view bytes = in_.bytes(8, "a rest");
  for (std::size_t k = 0; k < 8; ++k)
    n.b[k] = static_cast<unsigned char>(bytes[k]);
  if ((n.b[0] & 0x0F) >= duration_names.size())
    throw damaged{n.at, "rest length " + std::to_string(n.b[0] & 0x0F) + " is unknown"};
  return n;
}

void reader::duration(std::string& out, const note_block& n, bool is_rest) const {
  out += duration_names[n.b[0] & 0x0F];
  if ((n.b[4] & 0x04) != 0)
    out += ",Dotted";
  else if ((n.b[4] & 0x01) != 0)
    out += ",DblDotted";
  static constexpr std::array<std::string_view, 4> triplets = {"", ",Triplet=First", ",Triplet",
                                                               ",Triplet=End"};
  out += triplets[n.b[2] >> 2 & 3];
  if (is_rest) return;
  if ((n.b[5] & 0x20) != 0) out += ",Grace";
  if ((n.b[4] & 0x02) != 0) out += ",Staccato";
  if ((n.b[5] & 0x04) != 0) out += ",Tenuto";
  if ((n.b[4] & 0x20) != 0) out += ",Accent";
  if ((n.b[5] & 0x01) != 0) out += ",Slur";
}

// "|Opts:" and the options, or nothing when there are none.
void reader::options(std::string& out, const note_block& n, bool articulations_on_stem,
                     bool is_rest) const {
  const std::size_t start = out.size();
  out += "|Opts:";
  static constexpr std::array<std::string_view, 4> stems = {"", ",Stem=Up", ",Stem=Down", ""};
  static constexpr std::array<std::string_view, 4> beams = {"", ",Beam=First", ",Beam",
                                                            ",Beam=End"};
  out += stems[n.stem()];
  if (!is_rest && v_.later_note_bits) {
    if ((n.b[4] & 0x40) != 0)
      out += ",Crescendo";
    else if ((n.b[4] & 0x80) != 0)
      out += ",Diminuendo";
    if (n.stem_length >= 0) {
      out += ",StemLength=";
      append_number(out, n.stem_length);
    }
  }
  out += beams[n.b[2] & 3];
  if (!is_rest) {
    const unsigned lyric = (n.b[3] & 1) << 1 | n.b[2] >> 7;
    if (lyric == 1) out += ",Lyric=Always";
    if (lyric == 2) out += ",Lyric=Never";
    if ((n.b[5] & 0x80) != 0) out += (n.b[2] & 0x40) != 0 ? ",Slur=Downward" : ",Slur=Upward";
    if ((n.b[5] & 0x40) != 0) out += (n.b[7] & 0x08) != 0 ? ",Tie=Downward" : ",Tie=Upward";
    if ((n.b[0] >> 4) != 0) {
      out += ",XAccSpace=";
      append_number(out, n.b[0] >> 4);
    }
    if ((n.b[1] & 0x0F) != 0) {
      out += ",XNoteSpace=";
      append_number(out, n.b[1] & 0x0F);
    }
    if (v_.later_note_bits && (n.b[7] & 0x80) != 0) articulations_on_stem = true;
  }
  if (articulations_on_stem) out += ",ArticulationsOnStem";
  if (!is_rest && v_.later_note_bits && (n.b[7] & 0x20) != 0) out += ",NoLegerLines";
  if (is_rest) {
    const int offset = -static_cast<std::int16_t>(n.b[6] | n.b[7] << 8);
    if (offset != 0) {
      out += ",VertOffset=";
      append_number(out, offset);
    }
  }
  if (!is_rest && v_.later_note_bits && (n.b[7] & 0x10) != 0) out += ",Muted";
  const std::size_t first_comma = start + 6;
  if (out.size() == first_comma)
    out.resize(start);
  else
    out.erase(first_comma, 1);
}

void reader::note_position(std::string& out, const note_block& n) {
  const unsigned accidental = n.b[7] & 7;
  if (accidental < accidental_marks.size()) out += accidental_marks[accidental];
  append_number(out, n.position());
  if ((n.b[4] & 0x10) != 0) out += '^';
}

// "|Pos:" and the placement fields of a mark, which follow its own fields in the record.
std::string reader::position_and_placement() {
  const int position = -in_.s8("a mark's position");
  const unsigned place = in_.u8("a mark's placement");
  std::string fields;
  placement(fields, position, place);
  return fields;
}

void reader::placement(std::string& out, int position, unsigned place) {
  out += "|Pos:";
  append_number(out, position);
  if ((place & 1) != 0) out += "|Wide:Y";
  if (!justify_names[place >> 1 & 3].empty())
    out += "|Justify:" + std::string(justify_names[place >> 1 & 3]);
  if (!placement_names[place >> 3 & 3].empty())
    out += "|Placement:" + std::string(placement_names[place >> 3 & 3]);
}

void reader::visibility(std::string& out, unsigned visibility) {
  if ((visibility >> 3) != 0) out += "|Color:" + std::to_string(visibility >> 3);
  const unsigned shown = visibility & 7;
  if (shown < visibility_names.size() && !visibility_names[shown].empty())
    out += "|Visibility:" + std::string(visibility_names[shown]);
}

void reader::read_object(std::string& out) {
  const std::size_t at = in_.at();
  const int type = in_.s16("an object");
  const unsigned shown = in_.u8("an object");
  switch (type) {
    case clef:
      read_clef(out);
      break;
    case key:
      read_key(out);
      break;
    case bar:
      read_bar(out);
      break;
    case ending:
      read_ending(out);
      break;
    case instrument:
      read_instrument(out);
      break;
    case time_signature:
      read_time_signature(out);
      break;
    case tempo:
      read_tempo(out);
      break;
    case dynamic:
      read_dynamic(out);
      break;
    case note:
      read_note(out);
      break;
    case rest:
      read_rest(out);
      break;
    // Chords write their own visibility, after their second voice.
    case chord:
      return read_chord(out, shown);
    case rest_chord:
      return read_rest_chord(out, shown);
    case sustain_pedal:
      read_sustain_pedal(out);
      break;
    case flow:
      read_flow(out);
      break;
    case mpc:
      read_mpc(out);
      break;
    case tempo_variance:
      read_tempo_variance(out);
      break;
    case dynamic_variance:
      read_named_mark(out, "DynamicVariance", dynamic_variance_names, "a hairpin",
                      "dynamic change");
      break;
    case performance_style:
      read_named_mark(out, "PerformanceStyle", performance_names, "a performance style",
                      "performance style");
      break;
    case text:
      read_text(out);
      break;
    default:
      throw damaged{at, "object type " + std::to_string(type) + " is unknown to version " +
                            std::string(v_.name)};
  }
  visibility(out, shown);
  out += '\n';
}

void reader::read_clef(std::string& out) {
  const std::size_t value_at = in_.at();
  const unsigned kind = in_.u16("a clef");
  const unsigned shift = in_.u16("a clef");
  out += "|Clef|Type:" + std::string(name_of(clef_names, kind, value_at, "clef"));
  if (shift != 0)
    out += "|OctaveShift:" +
           std::string(name_of(octave_shift_names, shift, value_at + 2, "octave shift"));
}

// The signature lists flats, then sharps, in the order of the circle of fifths. 2.05 stores
// the tonic; for the older files it is the major key's, when the signature is all one kind.
void reader::read_key(std::string& out) {
  const std::string_view bytes =
      in_.bytes(static_cast<std::size_t>(v_.key_bytes), "a key signature");
  const auto flats = static_cast<unsigned char>(bytes[0]);
  const auto sharps = static_cast<unsigned char>(bytes[2]);
  std::string signature;
  int flat_count = 0;
  int sharp_count = 0;
  for (const int letter : flat_order)
    if ((flats >> letter & 1) != 0) {
      signature += ",";
      signature += static_cast<char>('A' + letter);
      signature += 'b';
      ++flat_count;
    }
  for (const int letter : sharp_order)
    if ((sharps >> letter & 1) != 0) {
      signature += ",";
      signature += static_cast<char>('A' + letter);
      signature += '#';
      ++sharp_count;
    }
  char tonic = 'C';
  if (v_.key_bytes >= 12) {
    const unsigned letter = static_cast<unsigned char>(bytes[10]);
    if (letter < 7) tonic = static_cast<char>('A' + letter);
  } else if (sharp_count == 0) {
    tonic = flat_tonics[static_cast<std::size_t>(flat_count)];
  } else if (flat_count == 0) {
    tonic = sharp_tonics[static_cast<std::size_t>(sharp_count)];
  }
  out += "|Key|Signature:" + (signature.empty() ? std::string("C") : signature.substr(1)) +
         "|Tonic:" + tonic;
}

void reader::read_bar(std::string& out) {
  const std::size_t style_at = in_.at();
  const unsigned style = in_.u8("a bar line");
  const unsigned repeat = in_.u8("a bar line");
  if ((style & 0x7F) >= bar_style_names.size())
    throw damaged{style_at, "bar line style " + std::to_string(style & 0x7F) + " is unknown"};
  out += "|Bar";
  if ((style & 0x7F) != 0) out += "|Style:" + std::string(bar_style_names[style & 0x7F]);
  if ((style & 0x80) != 0) out += "|SysBreak:Y";
  if ((style & 0x7F) == 5) {
    out += "|Repeat:";
    append_number(out, repeat);
  }
}

void reader::read_ending(std::string& out) {
  const unsigned endings = in_.u8("an ending");
  in_.u8("an ending");
  std::string list;
  for (int k = 0; k < 7; ++k)
    if ((endings >> k & 1) != 0) list += "," + std::to_string(k + 1);
  if ((endings & 0x80) != 0) list += ",D";
  out += "|Ending|Endings:" + (list.empty() ? list : list.substr(1));
}

// No score seen holds one; the name is kept and the rest passed over.
void reader::read_instrument(std::string& out) {
  if (!v_.later_note_bits) {
    in_.bytes(8, "an instrument change");
    out += "|Instrument";
    return;
  }
  const int position = -in_.s8("an instrument change");
  in_.bytes(7, "an instrument change");
  const std::string_view name = in_.zstr("an instrument change");
  in_.bytes(9, "an instrument change");
  out += "|Instrument|Name:";
  quoted(out, name);
  out += "|Pos:" + std::to_string(position);
}

void reader::read_time_signature(std::string& out) {
  const int beats = in_.s16("a time signature");
  const std::size_t unit_at = in_.at();
  const int unit = in_.s16("a time signature");
  const int style = in_.s16("a time signature");
  if (unit < 0 || unit > 6)
    throw damaged{unit_at, "time signature unit " + std::to_string(unit) + " is unknown"};
  out += "|TimeSig|Signature:";
  if (style == 1)
    out += "Common";
  else if (style == 2)
    out += "AllaBreve";
  else
    out += std::to_string(beats) + "/" + std::to_string(1 << unit);
}

void reader::read_tempo(std::string& out) {
  const int position = -in_.s8("a tempo");
  const unsigned place = in_.u8("a tempo");
  const unsigned speed = in_.u16("a tempo");
  const std::size_t base_at = in_.at();
  const unsigned base = in_.u8("a tempo");
  const std::string_view words = in_.zstr("a tempo's text");
  out += "|Tempo";
  if (base != 2)
    out += "|Base:" + std::string(name_of(tempo_base_names, base, base_at, "tempo base"));
  out += "|Tempo:" + std::to_string(speed);
  if (!words.empty()) {
    out += "|Text:";
    quoted(out, words);
  }
  // Position and placement come after the text in the record.
  placement(out, position, place);
}

void reader::read_dynamic(std::string& out) {
  const std::string mark = position_and_placement();
  const std::size_t style_at = in_.at();
  const unsigned style = in_.u8("a dynamic");
  const int velocity = in_.s16("a dynamic");
  const int volume = in_.s16("a dynamic");
  out += "|Dynamic|Style:" + std::string(name_of(dynamic_names, style & 0x1F, style_at, "dynamic"));
  if ((style & 0x20) != 0) out += "|Velocity:" + std::to_string(velocity);
  if ((style & 0x40) != 0) out += "|Volume:" + std::to_string(volume);
  out += mark;
}

void reader::read_note(std::string& out) {
  const note_block n = read_note_block(static_cast<std::size_t>(v_.note_extra));
  out += "|Note|Dur:";
  duration(out, n, false);
  out += "|Pos:";
  note_position(out, n);
  options(out, n, false, false);
}

void reader::read_rest(std::string& out) {
  const note_block n = read_rest_block();
  out += "|Rest|Dur:";
  duration(out, n, true);
  options(out, n, false, true);
}

void reader::read_sustain_pedal(std::string& out) {
  const std::string mark = position_and_placement();
  const unsigned style = in_.u8("a pedal mark");
  out += "|SustainPedal";
  if (style == 0) out += "|Status:Released";
  out += mark;
}

void reader::read_flow(std::string& out) {
  const std::string mark = position_and_placement();
  const std::size_t style_at = in_.at();
  const unsigned style = in_.u16("a flow direction");
  out +=
      "|Flow|Style:" + std::string(name_of(flow_names, style, style_at, "flow direction")) + mark;
}

void reader::read_mpc(std::string& out) {
  const std::string mark = position_and_placement();
  in_.bytes(32, "a controller change");
  out += "|MPC" + mark;
}

void reader::read_tempo_variance(std::string& out) {
  const std::string mark = position_and_placement();
  const std::size_t style_at = in_.at();
  const unsigned style = in_.u8("a tempo change");
  const unsigned pause = in_.u8("a tempo change");
  out += "|TempoVariance|Style:" +
         std::string(name_of(tempo_variance_names, style, style_at, "tempo change"));
  if (style <= 1) out += "|Pause:" + std::to_string(pause);
  out += mark;
}

// A mark of a position, a placement and one style byte naming it.
template <std::size_t n>
void reader::read_named_mark(std::string& out, std::string_view record,
                             const std::array<std::string_view, n>& names, const char* what,
                             const char* kind) {
  const std::string mark = position_and_placement();
  const std::size_t style_at = in_.at();
  const unsigned style = in_.u8(what);
  out += '|';
  out += record;
  out += "|Style:" + std::string(name_of(names, style, style_at, kind)) + mark;
}

void reader::read_text(std::string& out) {
  const std::string mark = position_and_placement();
  const std::size_t font_at = in_.at();
  const unsigned font = in_.u8("a text");
  const std::string_view words = in_.zstr("a text");
  out += "|Text|Text:";
  quoted(out, words);
  out += "|Font:" + std::string(name_of(font_styles, font, font_at, "font")) + mark;
}

void reader::read_chord(std::string& out, unsigned shown) {
  const note_block header = read_note_block(static_cast<std::size_t>(v_.chord_extra));
  const std::size_t count_at = in_.at();
  const int count = in_.s16("a chord's note count");
  if (count < 1) throw damaged{count_at, "a chord of " + std::to_string(count) + " notes"};
  std::vector<note_block> members;
  for (int k = 0; k < count; ++k) {
    const std::size_t at = in_.at();
    if (in_.s16("a chord note") != note) throw damaged{at, "a chord holds something not a note"};
    in_.u8("a chord note");
    members.push_back(read_note_block(static_cast<std::size_t>(v_.note_extra)));
  }
  bool split = false;
  for (const note_block& m : members)
    split = split || m.stem() != members.front().stem();
  std::string voice1;
  std::string voice2;
  const note_block* first_of_voice2 = nullptr;
  for (const note_block& m : members) {
    const bool second = split && m.stem() != header.stem();
    std::string& voice = second ? voice2 : voice1;
    if (second && first_of_voice2 == nullptr) first_of_voice2 = &m;
    if (!voice.empty()) voice += ',';
    note_position(voice, m);
  }
  // NoteWorthy sets ArticulationsOnStem on every split-stem chord of a 1.x file, which has no
  // bit for it.
  const bool articulations_on_stem = split && !v_.later_note_bits;
  out += "|Chord|Dur:";
  duration(out, header, false);
  out += "|Pos:";
  out += voice1;
  options(out, header, articulations_on_stem, false);
  if (first_of_voice2 != nullptr) {
    out += "|Dur2:";
    duration(out, *first_of_voice2, false);
    out += "|Pos2:";
    out += voice2;
  }
  visibility(out, shown);
  out += '\n';
}

void reader::read_rest_chord(std::string& out, unsigned shown) {
  const note_block rest_part = read_rest_block();
  const std::size_t count_at = in_.at();
  const int count = in_.s16("a rest chord's note count");
  if (count < 1) throw damaged{count_at, "a rest chord of " + std::to_string(count) + " notes"};
  std::string positions;
  std::string second_duration;
  for (int k = 0; k < count; ++k) {
    const std::size_t at = in_.at();
    const int type = in_.s16("a rest chord's note");
    in_.u8("a rest chord's note");
    if (type != note && type != chord) throw damaged{at, "a rest chord holds something not a note"};
    const note_block n =
        read_note_block(static_cast<std::size_t>(type == note ? v_.note_extra : v_.chord_extra));
    if (second_duration.empty()) duration(second_duration, n, false);
    if (type == note) {
      if (!positions.empty()) positions += ',';
      note_position(positions, n);
      continue;
    }
    const std::size_t members_at = in_.at();
    const int members = in_.s16("a chord's note count");
    if (members < 1) throw damaged{members_at, "a chord of " + std::to_string(members) + " notes"};
    for (int m = 0; m < members; ++m) {
      const std::size_t member_at = in_.at();
      if (in_.s16("a chord note") != note)
        throw damaged{member_at, "a chord holds something not a note"};
      in_.u8("a chord note");
      const note_block member = read_note_block(static_cast<std::size_t>(v_.note_extra));
      if (!positions.empty()) positions += ',';
      note_position(positions, member);
    }
  }
  out += "|RestChord|Dur:";
  duration(out, rest_part, true);
  options(out, rest_part, !v_.later_note_bits, true);
  out += "|Dur2:";
  out += second_duration;
  out += "|Pos2:";
  out += positions;
  visibility(out, shown);
  out += '\n';
}

const version_layout* layout_of(int word) {
  for (const version_layout& v : layouts)
    if (static_cast<int>(v.word) == word) return &v;
  return nullptr;
}

std::string version_name(int word) {
  const int major = word >> 8;
  const int minor = word & 0xFF;
  return std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor);
}

}  // namespace

int version_word(std::string_view body) {
  if (body.size() < magic.size() + 2 || !body.starts_with(magic)) return -1;
  return static_cast<unsigned char>(body[magic.size()]) |
         static_cast<unsigned char>(body[magic.size() + 1]) << 8;
}

binary_read read_binary(std::string_view body, int code_page) {
  binary_read result;
  const int word = version_word(body);
  if (word < 0) {
    result.error = body.starts_with(magic.substr(0, std::min(body.size(), magic.size())))
                       ? "damaged NoteWorthy Composer file (at byte " +
                             std::to_string(body.size()) + ": the file header runs past the end)"
                       : "not a NoteWorthy Composer file";
    return result;
  }
  result.version = version_name(word);
  const version_layout* layout = layout_of(word);
  if (layout == nullptr) {
    result.error = "NoteWorthy Composer " + result.version +
                   " files cannot be read (saved by version " + result.version + ")";
    return result;
  }
  try {
    reader read(body, *layout);
    const std::string marked = read.read();
    if (code_page == 0) {
      code_page_votes votes;
      for (const std::string_view s : read.strings())
        votes.add(s);
      code_page = votes.choice();
    }
    result.text = read.with_strings(marked, code_page);
    result.code_page = code_page;
    result.ok = true;
  } catch (const damaged& d) {
    result.error =
        "damaged NoteWorthy Composer file (at byte " + std::to_string(d.at) + ": " + d.what + ")";
    result.text.clear();
  }
  return result;
}

}  // namespace choirly::nwc
