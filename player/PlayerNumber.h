#pragma once

#include <cstdint>
#include <optional>

namespace zuvelo {

// A numeric player variable. It starts out empty; an empty value takes part in comparisons and
// arithmetic as 0 and is written as nothing in the settings file. 64 bits wide so that the
// handlers' small steps (+/-1, +/-2, + nmax) can never overflow, whatever 32-bit value the
// settings file held.
class PlayerNumber {
public:
    constexpr PlayerNumber() = default;
    constexpr PlayerNumber(std::int64_t value) : m_value(value) {}

    constexpr bool isEmpty() const { return !m_value.has_value(); }
    constexpr std::int64_t value() const { return m_value.value_or(0); }
    constexpr operator std::int64_t() const { return value(); }
    constexpr void clear() { m_value.reset(); }

private:
    std::optional<std::int64_t> m_value;
};

} // namespace zuvelo
