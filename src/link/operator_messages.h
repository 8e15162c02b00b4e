// The seam through which the core and the link workers tell the operator
// something (connection lost, backup incomplete, restore file missing). The
// shell implements it with message boxes; tests implement a recorder.
#pragma once

#include <string>

namespace corvane {

enum class MessageIcon { kNone, kWarning };

struct OperatorMessage {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::kWarning;
  // False for a box that has no owner: the window and its menus stay usable
  // while it is open ("Connection Failed", so the port dialog opens at once).
  bool owned = true;
};

class OperatorMessages {
 public:
  virtual ~OperatorMessages() = default;
  // Called from any thread. Returns at once: the shell shows the box on its
  // GUI thread, so a worker is never held up by an operator who is away.
  virtual void Show(const OperatorMessage& message) = 0;
};

}  // namespace corvane
