// The kinds of file, inflating within the cap, damaged and cut-short files, the code page
// rule, and every real .nwc file read with the version it was saved by.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "nwc/binary_reader.hpp"
#include "nwc/code_page.hpp"
#include "nwc/container.hpp"
#include "nwc/nwc_file.hpp"

namespace choirly::nwc {
namespace {

const std::filesystem::path nwc_dir = CHOIRLY_NWC_DIR;

std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// "[NWZ]\0" and `size` zero bytes deflated a chunk at a time, never all held at once.
std::string zero_bomb(std::size_t size) {
  std::string out("[NWZ]\0", 6);
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  std::vector<unsigned char> zeros(1 << 20, 0);
  std::vector<unsigned char> chunk(1 << 16);
  for (std::size_t left = size;;) {
    const std::size_t take = std::min(left, zeros.size());
    left -= take;
    z.next_in = zeros.data();
    z.avail_in = static_cast<uInt>(take);
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    int status = Z_OK;
    do {
      z.next_out = chunk.data();
      z.avail_out = static_cast<uInt>(chunk.size());
      status = deflate(&z, flush);
      out.append(reinterpret_cast<const char*>(chunk.data()), chunk.size() - z.avail_out);
    } while (z.avail_out == 0);
    if (flush == Z_FINISH && status == Z_STREAM_END) break;
  }
  deflateEnd(&z);
  return out;
}

std::string compressed(std::string_view body) {
  uLongf size = compressBound(static_cast<uLong>(body.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(body.data()), static_cast<uLong>(body.size()), 9);
  out.resize(size);
  return std::string("[NWZ]\0", 6) + out;
}

bool is_damaged(const read_result& r) {
  return !r.ok && r.text.empty() &&
         r.error.starts_with("damaged NoteWorthy Composer file (at byte ") &&
         r.error.ends_with(")");
}

TEST(file_kinds, are_told_by_the_first_bytes) {
  const std::vector<std::pair<std::string, file_kind>> cases = {
      {std::string("[NWZ]\0\x78\xDA", 8), file_kind::compressed},
      {"[NoteWorthy ArtWare]\0\0\0", file_kind::uncompressed},
      {"!NoteWorthyComposer(2.0)\r\n", file_kind::text},
      {"\xEF\xBB\xBF!NoteWorthyComposer(2.75)\n", file_kind::text},
      {"[NWZ]", file_kind::unknown},  // without its zero byte
      {"MThd\0\0\0\x06", file_kind::unknown},
      {"", file_kind::unknown},
  };
  for (const auto& [bytes, kind] : cases)
    EXPECT_EQ(kind_of(bytes), kind) << bytes;
}

TEST(file_kinds, other_files_are_refused_and_cut_marks_are_damage) {
  EXPECT_EQ(read_file("MThd\0\0\0\x06").error, "not a NoteWorthy Composer file");
  EXPECT_EQ(read_file("").error, "not a NoteWorthy Composer file");
  EXPECT_EQ(read_file("[NoteWorthy ArtWare]garbage").error, "not a NoteWorthy Composer file");
  EXPECT_EQ(read_file("[NW").error,
            "damaged NoteWorthy Composer file (at byte 3: the file header runs past the end)");
  const read_result text = read_file("!NoteWorthyComposer(2.0)\n|Bar\n");
  EXPECT_TRUE(text.ok);
  EXPECT_EQ(text.text, "!NoteWorthyComposer(2.0)\n|Bar\n");
  EXPECT_EQ(text.code_page, 0);
}

TEST(inflating, stops_at_the_cap) {
  const inflated small = inflate_body(zero_bomb(2 << 20), 1 << 20);
  EXPECT_FALSE(small.ok);
  EXPECT_TRUE(small.body.empty());
  EXPECT_TRUE(small.error.ends_with(": the compressed score inflates past 1 MiB")) << small.error;
  const inflated fits = inflate_body(zero_bomb(1 << 20), 1 << 20);
  EXPECT_TRUE(fits.ok) << fits.error;
  EXPECT_EQ(fits.body.size(), std::size_t{1} << 20);
}

TEST(inflating, a_zlib_bomb_gives_its_line_within_the_memory_cap) {
  const std::string bomb = zero_bomb(std::size_t{200} << 20);
  ASSERT_LT(bomb.size(), std::size_t{1} << 20);
  const read_result r = read_file(bomb);
  EXPECT_TRUE(is_damaged(r)) << r.error;
  EXPECT_TRUE(r.error.ends_with(": the compressed score inflates past 64 MiB)")) << r.error;
  // The whole test program, bomb included, stays within the cap and a margin for itself.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, (64 + 40) * 1024L) << "kilobytes at the peak";
}

TEST(inflating, a_corrupt_or_unended_stream_is_damage) {
  const std::string file = compressed(slurp(nwc_dir / "m21_cuthbert_test1_uncompressed.nwc"));
  std::string corrupt = file;
  corrupt[6] = 0x00;  // not a zlib header
  const read_result bad = read_file(corrupt);
  EXPECT_TRUE(is_damaged(bad)) << bad.error;
  EXPECT_TRUE(bad.error.ends_with(": the compressed stream is corrupt)")) << bad.error;
  const read_result cut = read_file(file.substr(0, file.size() - 5));
  EXPECT_TRUE(is_damaged(cut)) << cut.error;
  EXPECT_TRUE(cut.error.ends_with(": the compressed stream ends early)")) << cut.error;
}

std::vector<std::filesystem::path> nwc_files() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(nwc_dir))
    if (entry.path().extension() == ".nwc") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Every .nwc file of the corpus cut at every byte: a damaged line, no text. (The .nwctxt file
// in the folder is text, which has no length of its own to check.)
TEST(cut_short, every_file_at_every_byte_is_damaged) {
  const auto files = nwc_files();
  ASSERT_EQ(files.size(), 11u);
  for (const auto& path : files) {
    const std::string file = slurp(path);
    for (std::size_t cut = 1; cut < file.size(); ++cut) {
      const read_result r = read_file(std::string_view(file).substr(0, cut));
      ASSERT_TRUE(is_damaged(r)) << path.filename() << " cut at " << cut << ": " << r.error;
    }
  }
}

// The inflated binary bodies cut short as well, so that the cuts reach every field of the
// object reader: every byte of the first 8 KiB, then every 97th.
TEST(cut_short, every_binary_body_is_damaged) {
  int bodies = 0;
  for (const auto& path : nwc_files()) {
    const std::string file = slurp(path);
    const inflated body =
        kind_of(file) == file_kind::compressed ? inflate_body(file) : inflated{true, file, ""};
    ASSERT_TRUE(body.ok);
    if (version_word(body.body) >= 0x024B) continue;
    ++bodies;
    for (std::size_t cut = 0; cut < body.body.size(); cut += cut < 8192 ? 1 : 97) {
      const binary_read r = read_binary(std::string_view(body.body).substr(0, cut));
      ASSERT_FALSE(r.ok) << path.filename() << " cut at " << cut;
      ASSERT_TRUE(r.error.starts_with("damaged NoteWorthy Composer file (at byte "))
          << path.filename() << " cut at " << cut << ": " << r.error;
    }
  }
  EXPECT_EQ(bodies, 8);
}

struct corpus_file {
  const char* name;
  const char* version;
  int code_page;
};

TEST(corpus, every_file_is_read_with_its_version_and_code_page) {
  const std::vector<corpus_file> files = {
      {"hy_freezer_revised.nwc", "2.05", 949},
      {"kor_choir_ganaham_3staff.nwc", "1.70", 949},
      {"kor_choir_gara_sarang_satb.nwc", "1.75", 949},
      {"kor_choir_go_down_moses_a.nwc", "2.75", 0},
      {"kor_choir_go_down_moses_b.nwc", "1.75", 949},
      {"m21_cuthbert_test1.nwc", "2.01", 1252},
      {"m21_cuthbert_test1.nwctxt", "", 0},
      {"m21_cuthbert_test1_uncompressed.nwc", "2.01", 1252},
      {"m21_cuthbert_test1_v175.nwc", "1.75", 1252},
      {"m21_jingle_v175.nwc", "1.75", 1252},
      {"msx_amazing_grace.nwc", "2.75", 0},
      {"msx_v275.nwc", "2.75", 0},
  };
  for (const corpus_file& f : files) {
    const read_result r = read_file(slurp(nwc_dir / f.name));
    ASSERT_TRUE(r.ok) << f.name << ": " << r.error;
    EXPECT_EQ(r.version, f.version) << f.name;
    EXPECT_EQ(r.code_page, f.code_page) << f.name;
    EXPECT_TRUE(r.text.starts_with("!NoteWorthyComposer(")) << f.name;
    EXPECT_NE(r.text.find("!NoteWorthyComposer-End"), std::string::npos) << f.name;
  }
}

TEST(corpus, the_same_score_compressed_or_not_reads_the_same) {
  const read_result packed = read_file(slurp(nwc_dir / "m21_cuthbert_test1.nwc"));
  const read_result plain = read_file(slurp(nwc_dir / "m21_cuthbert_test1_uncompressed.nwc"));
  ASSERT_TRUE(packed.ok);
  EXPECT_EQ(packed.text, plain.text);
}

TEST(corpus, the_override_code_page_is_used_as_given) {
  const std::string file = slurp(nwc_dir / "kor_choir_gara_sarang_satb.nwc");
  const read_result r = read_file(file, read_options{1252});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.code_page, 1252);
  // Under Windows-1252 the stray copyright sign is kept, not turned into '?'.
  EXPECT_NE(r.text.find("Copyright \xA9 <Year>"), std::string::npos);
  EXPECT_NE(read_file(file).text.find("Copyright ?<Year>"), std::string::npos);
}

struct votes_case {
  const char* name;
  std::vector<std::string> strings;
  int code_page;
};

TEST(code_page_rule, chooses_by_the_bytes_above_127) {
  const std::vector<votes_case> cases = {
      {"ascii", {"Jingle Bells", "Part 1"}, 1252},
      {"copyright_sign", {"Copyright \xA9 2000"}, 1252},
      {"french",
       {"P\xE8re No\xEBl", "Caf\xE9 cr\xE8me",
        "\xC7"
        "a"},
       1252},
      {"german", {"F\xFC\x72 Elise", "Gr\xFC\xDF Gott"}, 1252},
      {"korean", {"\xB0\xA1\xB6\xF3\xBB\xE7\xB6\xFB", "\xBC\xD2\xC7\xC1\xB6\xF3\xB3\xEB"}, 949},
      {"korean_with_a_stray_sign",
       {"\xB0\xA1\xB6\xF3\xBB\xE7\xB6\xFB\xBE\xC8\xBF\xA1", "Copyright \xA9 <Year>"},
       949},
      {"japanese_invalid_as_korean", {"\x93\xFA\x96\x7B\x8C\xEA"}, 932},
  };
  for (const votes_case& c : cases) {
    code_page_votes votes;
    for (const std::string& s : c.strings)
      votes.add(s);
    EXPECT_EQ(votes.choice(), c.code_page) << c.name;
  }
}

TEST(code_page_rule, escaping_keeps_double_byte_characters_whole) {
  const std::vector<std::tuple<std::string, int, std::string>> cases = {
      {"a|b\"c\\d\ne", 1252, "a\\|b\\\"c\\\\d\\ne"},
      {"\x95\x5C", 932, "\x95\x5C"},      // a kanji whose second byte is a backslash
      {"\x95\x5C", 1252, "\x95\\\\"},     // the same bytes as two Western characters
      {"(c)\xA9 2000", 949, "(c)?2000"},  // a lead byte without its pair, as NoteWorthy
      {"\xB0\xA1|", 949, "\xB0\xA1\\|"},
      {"end\xB0", 949, "end?"},
  };
  for (const auto& [raw, code_page, escaped] : cases) {
    std::string out;
    append_escaped(out, raw, code_page);
    EXPECT_EQ(out, escaped) << raw;
  }
}

}  // namespace
}  // namespace choirly::nwc
