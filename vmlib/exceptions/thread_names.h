// Names of the process's threads, shown in the exception log.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

// The kernel's id of the calling thread.
int64_t CurrentThreadId();
// Enters or replaces the name of a thread (an empty name removes it); does
// nothing before initialisation.
void ThreadNameSet(int64_t threadId, std::string name);
// The name of a thread, or empty when it has none.
std::string ThreadNameGet(int64_t threadId);

}  // namespace vm
