// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/shuffle_error.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "engine/stick_order.h"
#include "runtime/text.h"

namespace vantrel {

ShuffleError MakeError(ErrorKind kind, const std::string& file, const std::string& call,
                       int sys_code) {
  ShuffleError error;
  error.kind = kind;
  error.file = file;
  error.call = call;
  error.sys_code = sys_code;
  return error;
}

ShuffleError MakeError(ErrorKind kind, const std::string& file, const SysError& sys) {
  return MakeError(kind, file, sys.call, sys.code);
}

void RaiseError(ErrorKind kind, const std::string& file, const std::string& call, int sys_code) {
  throw MakeError(kind, file, call, sys_code);
}

std::optional<ShuffleError> CatchError(const std::function<void()>& work) {
  try {
    work();
  } catch (const ShuffleError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return MakeError(ErrorKind::kRenameFailed, {}, "malloc", ENOMEM);
  }
  return std::nullopt;
}

}  // namespace vantrel
