#pragma once
// Exceptions never cross the C boundary: every export runs its body through Guarded, which
// turns any escaping exception (allocation failure, a bug) into the export's failure value.
#include <utility>

namespace norvane::sdk {

template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

}  // namespace norvane::sdk
