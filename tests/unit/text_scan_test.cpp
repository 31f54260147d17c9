// The "%d" reader: the white space it skips before a number, and what it refuses.
#include "text_scan.hpp"

#include <gtest/gtest.h>

#include <string>

namespace choirly {
namespace {

TEST(TextScan, DecimalAfterEachWhiteSpaceCharacter) {
  for (const char space : std::string(" \t\n\v\f\r")) {
    SCOPED_TRACE(static_cast<int>(space));
    std::int32_t value = -7;
    EXPECT_EQ(scan_decimal(std::string(1, space) + "42|", value), 3u);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(scan_decimal(std::string(2, space) + "-5", value), 4u);
    EXPECT_EQ(value, -5);
  }
}

TEST(TextScan, DecimalRefusesOtherCharactersBeforeTheNumber) {
  // Control characters next to the white-space ones, and the high bytes that some
  // locales count as space.
  for (const char other : std::string("\b\x0e\x1f\x85\xa0x", 6)) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(other)));
    std::int32_t value = -7;
    EXPECT_EQ(scan_decimal(std::string(1, other) + "42", value), 0u);
    EXPECT_EQ(value, -7);
  }
}

}  // namespace
}  // namespace choirly
