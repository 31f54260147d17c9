// The global staff table and the time signature that carries from staff to staff.
#include "translate/staff_table.hpp"

#include <cstring>

namespace choirly {

std::array<staff_entry, staff_slots> staff{};
std::int32_t staff_used = 0;
std::int32_t time_sig_numerator = 0;
std::int32_t time_sig_denominator = 0;

void initialize_staff() {
  // Every stored text brings its own terminating zero, so clearing the first character
  // is enough to hide whatever the previous staff left behind it.
  for (std::int32_t slot = 0; slot < staff_used; ++slot) {
    staff_entry& entry = staff[static_cast<std::size_t>(slot)];
    entry.text[0] = '\0';
    std::memset(entry.words, 0, sizeof entry.words);
  }
  staff_used = 0;
}

void reset_staff_table() {
  std::memset(staff.data(), 0, sizeof(staff_entry) * static_cast<std::size_t>(staff_used));
  staff_used = 0;
  time_sig_numerator = 0;
  time_sig_denominator = 0;
}

}  // namespace choirly
