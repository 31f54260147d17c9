// The one way the companion's functions say that something failed: a value, or the reason
// there is none, written for the user to read.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace choirly::engrave {

// The reason something could not be done, as a message names it.
struct failure {
  std::string reason;
};

template <class T>
class result {
 public:
  result(T value) : value_(std::move(value)) {}
  result(failure f) : reason_(std::move(f.reason)) {}

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Empty when ok().
  const std::string& reason() const { return reason_; }

 private:
  std::optional<T> value_;
  std::string reason_;
};

// A result with nothing to give but success.
struct done {};
using outcome = result<done>;

}  // namespace choirly::engrave
