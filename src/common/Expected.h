#pragma once
// Errors as values: a result that holds either a value or an error.
// (std::expected arrives with C++23; this is the small part of it we use.)
#include <cassert>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace vorlap {

template <class E>
struct Unexpected {
    E error;
};

template <class E>
Unexpected<std::decay_t<E>> unexpected(E&& error)
{
    return {std::forward<E>(error)};
}

template <class T, class E>
class [[nodiscard]] Expected {
public:
    using value_type = T;
    using error_type = E;

    Expected(const T& value) : m_state(std::in_place_index<0>, value) {}
    Expected(T&& value) : m_state(std::in_place_index<0>, std::move(value)) {}
    template <class G>
    Expected(Unexpected<G> failure) : m_state(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& value() & { assert(has_value()); return std::get<0>(m_state); }
    const T& value() const& { assert(has_value()); return std::get<0>(m_state); }
    T&& value() && { assert(has_value()); return std::get<0>(std::move(m_state)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const E& error() const& { assert(!has_value()); return std::get<1>(m_state); }
    E&& error() && { assert(!has_value()); return std::get<1>(std::move(m_state)); }

    template <class U>
    T value_or(U&& fallback) const& { return has_value() ? value() : T(std::forward<U>(fallback)); }

private:
    std::variant<T, E> m_state;
};

template <class E>
class [[nodiscard]] Expected<void, E> {
public:
    using value_type = void;
    using error_type = E;

    Expected() = default;
    template <class G>
    Expected(Unexpected<G> failure) : m_error(E(std::move(failure.error))) {}

    bool has_value() const { return !m_error.has_value(); }
    explicit operator bool() const { return has_value(); }
    void value() const { assert(has_value()); }

    const E& error() const& { assert(!has_value()); return *m_error; }
    E&& error() && { assert(!has_value()); return std::move(*m_error); }

private:
    std::optional<E> m_error;
};

} // namespace vorlap

// Propagation in one line, so that the happy path reads straight:
//   VORLAP_TRY(writeHeader(out));              // Expected<void, …>: return its error
//   VORLAP_TRY_LET(node, readNode(source, n)); // declares `node` holding the value
// The error is converted to the caller's error type, so a lower layer's error passes
// up wherever the caller's type can be built from it.
#define VORLAP_TRY(expr)                                                          \
    do {                                                                          \
        if (auto vorlapTryResult_ = (expr); !vorlapTryResult_)                    \
            return ::vorlap::unexpected(std::move(vorlapTryResult_).error());     \
    } while (false)

#define VORLAP_TRY_CONCAT_(a, b) a##b
#define VORLAP_TRY_NAME_(line) VORLAP_TRY_CONCAT_(vorlapTryValue_, line)
#define VORLAP_TRY_LET(name, expr) VORLAP_TRY_LET_(name, expr, VORLAP_TRY_NAME_(__LINE__))
#define VORLAP_TRY_LET_(name, expr, holder)                                       \
    auto holder = (expr);                                                         \
    if (!holder)                                                                  \
        return ::vorlap::unexpected(std::move(holder).error());                   \
    auto name = std::move(*holder)
