// Counts every allocation made through operator new by the program it is
// linked into, so that a test or benchmark can show that a hot path
// allocates nothing.
#pragma once

namespace corvane::testing {

long AllocationCount();

}  // namespace corvane::testing
