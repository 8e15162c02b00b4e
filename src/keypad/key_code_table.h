// Which key code the controller gets for a key press: the key table in the
// platform's virtual-key numbering, with the Ctrl variants of the keys that
// have them.
//
// Threads: pure lookups, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>

#include "keypad/key_codes.h"
#include "keypad/virtual_keys.h"

namespace corvane {

// The code a key sends, or none for a key the controller does not know.
// `after_ctrl`: the key-down before this one was Ctrl, so a key with a Ctrl
// variant (digits 1 to 9, letters A, D and M) sends that instead.
std::optional<KeyCode> KeyCodeTable(uint32_t virtual_key, bool after_ctrl);

}  // namespace corvane
