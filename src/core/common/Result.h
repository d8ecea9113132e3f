#pragma once
// The core's one way to report how a piece of work ended: its value, or what went wrong as a code
// the caller can act on and a text the user can be shown. The core never shows a message or asks
// a question itself; the window and the command line decide what to do with a failure.
#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace core {

// What went wrong: a code of the work's own enum and the text the user knows for it.
template <class Code> struct Failure {
    Code code;
    std::string text;
};

// The value of work that gives nothing but success.
struct Done {
    bool operator==(const Done&) const = default;
};

template <class T, class Code> class Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<Code> failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const&
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T& value() &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }

    const Failure<Code>& failure() const
    {
        assert(!ok());
        return std::get<1>(m_state);
    }
    Code code() const { return failure().code; }
    const std::string& text() const { return failure().text; }

private:
    std::variant<T, Failure<Code>> m_state;
};

} // namespace core
