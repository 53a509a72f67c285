// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace quietlane {

/// Why a call failed, in one sentence that says what failed and, where it helps, what to
/// do: it goes to the journal and to the user as it is, so callers pass it on untouched.
struct Failure {
    std::string message;
};

/// What a call that can fail hands back: its value, or the Failure. The one way code below
/// the sound server and shortcut backends reports an error (those two name theirs in enums).
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(Failure failure) : m_state(std::move(failure)) {}

    explicit operator bool() const { return std::holds_alternative<T>(m_state); }
    const T& value() const& { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    const std::string& error() const { return std::get<Failure>(m_state).message; }

private:
    std::variant<T, Failure> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return !m_failure; }
    const std::string& error() const { return m_failure->message; }

private:
    std::optional<Failure> m_failure;
};

} // namespace quietlane
