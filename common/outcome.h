// The answer of a step of a run: its result, or a failure that carries what
// the user is told, the details for the log and the system's own reason.
// The run sequence stops at the first failure and reports it; a step never
// writes its result through a reference or into a member for the next one.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/error.h"

namespace qrl {

struct Failure {
    std::string message{};    // the text in front of the user (and in the error log)
    std::string details{};    // what the log adds: the file, the command, the value read
    platform::Result cause{}; // the system's reason; success when the system gave none
};

template <class T>
class [[nodiscard]] Outcome {
    static_assert(!std::is_same_v<std::remove_cv_t<T>, Failure>, "an outcome holds a result or a failure");

public:
    Outcome(T value) : v_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: a result reads as its outcome
    Outcome(Failure failure) : v_(std::in_place_index<1>, std::move(failure)) {}  // NOLINT: so does a failure

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The result; only when ok().
    const T& value() const& { return std::get<0>(v_); }
    T& value() & { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    // The failure; only when !ok().
    const Failure& failure() const& { return std::get<1>(v_); }
    Failure&& failure() && { return std::get<1>(std::move(v_)); }

private:
    std::variant<T, Failure> v_;
};

// A step that has no result beyond having been done.
template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;  // done
    Outcome(Failure failure) : failed_(true), failure_(std::move(failure)) {}  // NOLINT: a failure reads as its outcome

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }

    // The failure; only when !ok().
    const Failure& failure() const& { return failure_; }
    Failure&& failure() && { return std::move(failure_); }

private:
    bool failed_ = false;
    Failure failure_;
};

}  // namespace qrl
