// The library's user texts, loaded by number from nvres.dll.
#pragma once

#include "voip/core/TextNumbers.h"

#include <string>

namespace qelo {

// String |number| of the resource library; empty when it is missing. The text is the caller's
// own copy, so no other thread's load can overwrite it while it is read.
std::string ResourceText(int number);

// load_resource_text: the same text in the next of 8 rotating 256-byte buffers of the calling
// thread; valid until seven further loads on this thread.
const char* LoadResourceText(int number);

} // namespace qelo
