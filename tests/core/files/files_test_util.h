// Helpers of the file and stream tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vmlib/frame.h"

namespace filestest {

struct StrDeleter {
  void operator()(Str* s) const { StrDelete(s); }
};
using StrPtr = std::unique_ptr<Str, StrDeleter>;

// A new Str holding text.
StrPtr S(const std::string& text);
std::string Text(const Str* s);

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// Runs body in a child process. As root the child first drops to the user
// "nobody", so that permissions apply to it; the values body returns come
// back to the caller. Returns false (with why) when the child could not
// become unprivileged.
bool RunUnprivileged(const std::function<std::vector<int32_t>()>& body, std::vector<int32_t>* results,
                     std::string* why);

// Runs body in a child process with its own mount table and a tmpfs of
// sizeBytes mounted on folder. Returns false (with why) when mounting is not
// possible here.
bool RunOnTinyDisk(const std::string& folder, int sizeKiB, const std::function<std::vector<int32_t>()>& body,
                   std::vector<int32_t>* results, std::string* why);

}  // namespace filestest
