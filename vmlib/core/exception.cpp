// CException: the library's one exception type for programming and data faults.
#include <utility>

#include "vmlib/frame.h"

CException::CException(std::string message) : message_(std::move(message)) {}
CException::~CException() = default;
const char* CException::what() const noexcept { return message_.c_str(); }
