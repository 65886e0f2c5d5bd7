#pragma once

namespace qv::test {

// True in a build under AddressSanitizer or ThreadSanitizer, whose programs run a few times slower
// than they ship: what measures the machine's speed asks less of them there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool SANITIZED_BUILD = true;
#else
inline constexpr bool SANITIZED_BUILD = false;
#endif

} // namespace qv::test
