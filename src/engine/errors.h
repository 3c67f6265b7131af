#pragma once
// Exceptions carry the class name the error dialog prints beside the message.
#include <stdexcept>
#include <string>

#include "engine/i18n.h"

namespace kq {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "Exception"; }
};

class ESpriteError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "ESpriteError"; }
};

// A picture the game cannot start without is missing (the name keeps its historic spelling).
class EResorceLoadError : public Exception {
 public:
  explicit EResorceLoadError(std::string missing = {})
      : Exception(Tr("A file the game needs to start is missing")), Missing(std::move(missing)) {}
  const char* ClassName() const override { return "EResorceLoadError"; }
  std::string Missing;  // the file that was looked for, when known
};

// A picture exists but its decoder rejected it; the message is the decoder's own.
class EImageDecodeError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EImageDecodeError"; }
};

// A file could not be written (settings, scores); Errno is the system's reason, 0 when unknown.
class EWriteError : public Exception {
 public:
  explicit EWriteError(const std::string& message, int err = 0) : Exception(message), Errno(err) {}
  const char* ClassName() const override { return "EWriteError"; }
  int Errno;
};

}  // namespace kq
