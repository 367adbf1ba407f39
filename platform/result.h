#pragma once
// One small result type: a value or a one-line error message, no exceptions
// across levels.
#include <string>
#include <utility>
#include <variant>

// What went wrong, for callers that answer differently: binoxa-cli's exit
// status, the window's message. A pair that cannot be aligned is refused for
// good (CannotAlign), or with too few points matched (TooFewPoints) or with
// points that do not agree (NoOneAnswer), where another way of matching may
// still find the answer.
enum class ErrorKind { Refused, Usage, CannotWrite, CannotAlign, TooFewPoints, NoOneAnswer };

struct Error {
  std::string message;  // one line, shown to the user as it stands
  ErrorKind kind = ErrorKind::Refused;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(Error error) : v_(std::move(error)) {}
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  T* operator->() { return &value(); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

// For operations that give nothing back but may fail.
struct Done {};
using Status = Result<Done>;
inline Status success() { return Done{}; }
