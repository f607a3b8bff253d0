#pragma once

#include <cassert>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace zuvelo::mci {

// Why an open failed: an MCIERR_... code of mci.h, never 0, and the reason in a listener's words
// ("it is empty"), for the one line the layer writes about a file it refuses.
struct OpenError {
    unsigned long code;
    std::string reason;
};

// What opening a file gives: the opened source, or the error saying why there is none. Never
// both, never neither, so a failure cannot go without its code.
template <class Source>
class OpenResult {
public:
    // An opened source; source is not null.
    OpenResult(std::unique_ptr<Source> source) : m_value(std::move(source)) { assert(std::get<0>(m_value) != nullptr); }
    OpenResult(OpenError error) : m_value(error) { assert(error.code != 0); }
    // A result of a derived source, as one of its base.
    template <class Derived>
    OpenResult(OpenResult<Derived>&& other) : m_value(other ? Value(other.take()) : Value(other.openError()))
    {
    }

    explicit operator bool() const { return m_value.index() == 0; }
    // 0 when opened, otherwise the MCIERR_... code.
    unsigned long error() const { return *this ? 0 : std::get<1>(m_value).code; }
    // Why the open failed; only when it did.
    const OpenError& openError() const { return std::get<1>(m_value); }
    // The opened source, handed over; null when the open failed.
    std::unique_ptr<Source> take() { return *this ? std::move(std::get<0>(m_value)) : nullptr; }
    Source* operator->() const { return std::get<0>(m_value).get(); }

private:
    using Value = std::variant<std::unique_ptr<Source>, OpenError>;
    Value m_value;
};

} // namespace zuvelo::mci
