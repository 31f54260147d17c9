// Exact fractions of a whole note, for onsets and durations: a triplet eighth is 1/12, and
// sums of them never round.
#pragma once

#include <cstdint>
#include <numeric>
#include <string>

namespace choirly::score {

struct rational {
  std::int64_t num = 0;
  std::int64_t den = 1;

  constexpr rational() = default;
  constexpr rational(std::int64_t n, std::int64_t d = 1) : num(n), den(d) { reduce(); }

  constexpr void reduce() {
    if (den < 0) {
      num = -num;
      den = -den;
    }
    const std::int64_t g = std::gcd(num, den);
    if (g > 1) {
      num /= g;
      den /= g;
    }
    if (num == 0) den = 1;
  }

  friend constexpr rational operator+(rational a, rational b) {
    const std::int64_t g = std::gcd(a.den, b.den);
    return rational(a.num * (b.den / g) + b.num * (a.den / g), a.den / g * b.den);
  }
  friend constexpr rational operator-(rational a, rational b) {
    return a + rational(-b.num, b.den);
  }
  friend constexpr rational operator*(rational a, rational b) {
    return rational(a.num * b.num, a.den * b.den);
  }
  friend constexpr rational operator/(rational a, rational b) {
    return rational(a.num * b.den, a.den * b.num);
  }
  rational& operator+=(rational b) { return *this = *this + b; }
  rational& operator-=(rational b) { return *this = *this - b; }
  friend constexpr bool operator==(rational a, rational b) {
    return a.num == b.num && a.den == b.den;
  }
  friend constexpr bool operator<(rational a, rational b) {
    // Denominators stay small (powers of two times three), so the products cannot overflow.
    return a.num * b.den < b.num * a.den;
  }
  friend constexpr bool operator>(rational a, rational b) { return b < a; }
  friend constexpr bool operator<=(rational a, rational b) { return !(b < a); }
  friend constexpr bool operator>=(rational a, rational b) { return !(a < b); }

  // As Scheme writes an exact number: "0", "3/4", "-1/4".
  std::string text() const {
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
  }
};

}  // namespace choirly::score
