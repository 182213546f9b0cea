// CExceptionHandler: captures at most one exception per thread and hands it
// to the host's callback when the host reports it.
#include "exceptions/exception_handler.h"

#include <unistd.h>

#include <algorithm>
#include <string>

#include "core/str_internal.h"
#include "platform/machine_context.h"

namespace vm {

ExceptionHandler::~ExceptionHandler() {
  for (ExceptionInfo* info : infos_) delete info;
}

CExceptionInfo* ExceptionHandler::FindInfo(uint32_t threadId) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (ExceptionInfo* info : infos_)
    if (info->threadId == threadId) return info;
  return nullptr;
}

void ExceptionHandler::Store(ExceptionInfo* info) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (auto it = infos_.begin(); it != infos_.end(); ++it) {
    if ((*it)->threadId == info->threadId) {
      delete *it;
      infos_.erase(it);
      break;
    }
  }
  try {
    infos_.push_back(info);
  } catch (...) {
    delete info;
    return;
  }
  if ((info->flags & kExceptionInfoRecordValid) != 0)
    ++recordCount_;
  else
    ++contextOnlyCount_;
}

ExceptionInfo* ExceptionHandler::Take(uint32_t threadId) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (auto it = infos_.begin(); it != infos_.end(); ++it) {
    if ((*it)->threadId == threadId) {
      ExceptionInfo* info = *it;
      infos_.erase(it);
      return info;
    }
  }
  return nullptr;
}

void ExceptionHandler::RemoveInfo(uint32_t threadId) { delete Take(threadId); }

void ExceptionHandler::SetCallback(ExceptionCallback callback, void* userData) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  callback_.callback = callback;
  callback_.userData = userData;
}

void ExceptionHandler::Report(uint32_t threadId) {
  if (reporting_.exchange(true)) return;
  ExceptionInfo* info = Take(threadId);
  ExceptionCallbackRecord callback;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    callback = callback_;
  }
  if (info != nullptr) {
    try {
      if (callback.callback != nullptr) {
        callback.callback(callback.userData, info);
      } else {
        // The library has no window of its own here: the message goes to the
        // terminal under the caption it would have had.
        const std::string line = "Exception: " + std::string(StrView(info->message)) + "\n";
        ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
        (void)ignored;
      }
    } catch (...) {
    }
    delete info;
  }
  reporting_.store(false);
}

uint32_t ExceptionHandler::HandleException(const ExceptionRecord* record, const ExceptionContext* context) {
  if (record == nullptr) return 0;
  const uint32_t code = record->code;
  if (code == kExceptionHostLanguage && record->flags == 1 && record->parameterCount == 7) return code;
  try {
    if (code == kExceptionCpp && record->flags == 1 && record->parameterCount > 1) {
      const auto* thrown = reinterpret_cast<const CException*>(static_cast<uintptr_t>(record->parameters[1]));
      ExceptionInfo* copy = nullptr;
      {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        if (std::find(registered_.begin(), registered_.end(), thrown) != registered_.end() &&
            thrown->Info() != nullptr)
          copy = new ExceptionInfo(InfoOf(*thrown->Info()));
      }
      if (copy != nullptr) {
        // Kept as the info of the thread that handles it, which reports it.
        copy->threadId = CurrentThreadId32();
        Store(copy);
        return code;
      }
    }
    auto* info = new ExceptionInfo;
    try {
      info->record = *record;
      info->record.nested = 0;
      if (info->record.parameterCount > 15) info->record.parameterCount = 15;
      info->flags = kExceptionInfoRecordValid;
      if (context != nullptr) {
        info->context = *context;
        info->flags |= kExceptionInfoContextValid;
      } else {
        CaptureCurrentContext(&info->context);
      }
      info->threadId = CurrentThreadId32();
      info->SetTexts(ExceptionNameForCode(code), ExceptionMessageForRecord(info->record));
      info->CopyCallingThreadStack();
    } catch (...) {
      delete info;
      throw;
    }
    Store(info);
  } catch (...) {
    // Out of memory while capturing: the exception goes unrecorded rather
    // than raising a second one inside the handler.
  }
  return code;
}

void ExceptionHandler::CaptureCurrent(const Str* name, const Str* message) {
  try {
    Store(CaptureHere(StrView(name), StrView(message)));
  } catch (...) {
  }
}

void ExceptionHandler::RegisterException(const CException* exception) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  registered_.push_back(exception);
}

void ExceptionHandler::UnregisterException(const CException* exception) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  auto it = std::find(registered_.rbegin(), registered_.rend(), exception);
  if (it != registered_.rend()) registered_.erase(std::next(it).base());
}

size_t ExceptionHandler::RegisteredCount() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return registered_.size();
}

}  // namespace vm
