#pragma once
// What a reader (or any step that can fail without it being exceptional) gives back: the value
// it produced, or the failure that stopped it, with a message for the user.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vx42 {

// Why something could not be read or done; the message names the file or the thing and the
// problem, in the words shown to the user.
struct Failure {
    std::string message;
};

// The value, or the failure. Test it (`if (result)`), then take `*result` or `error()`.
template <typename T>
class Result {
  public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    const Failure& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, Failure> state_;
};

// Success with nothing to give back, or the failure.
template <>
class Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    const Failure& error() const { return *failure_; }

  private:
    std::optional<Failure> failure_;
};

}  // namespace vx42
