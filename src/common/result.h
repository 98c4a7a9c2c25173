#pragma once

// A value or an error, returned by everything that can fail on outside input.
// Nothing in the project throws across a library boundary; callers look at the
// result and turn an error into the message the user sees.

#include <string>
#include <utility>
#include <variant>

namespace veskor {

struct Error {
    std::string message;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_data); }
    const T& value() const& { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    T valueOr(T fallback) const& { return ok() ? value() : std::move(fallback); }

    const Error& error() const { return std::get<1>(m_data); }

private:
    std::variant<T, Error> m_data;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)), m_ok(false) {}

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_ok = true;
};

inline Error makeError(std::string message) { return Error{std::move(message)}; }

} // namespace veskor

// Propagates an error to the caller: `auto x = TRY(readThing());`
#define TRY(expr)                                                   \
    ({                                                              \
        auto _veskorTry = (expr);                                   \
        if (!_veskorTry.ok())                                       \
            return _veskorTry.error();                              \
        std::move(_veskorTry).value();                              \
    })

#define TRY_VOID(expr)                                              \
    do {                                                            \
        auto _veskorTry = (expr);                                   \
        if (!_veskorTry.ok())                                       \
            return _veskorTry.error();                              \
    } while (0)
