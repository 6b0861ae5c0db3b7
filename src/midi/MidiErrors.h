#pragma once

#include <stdexcept>

namespace korvel {

// Raised by the output port component with the message the user is shown.
class EmidioutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by the input port component with the message the user is shown.
class EMidiInputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace korvel
