#include "framework/win/RegisteredMessages.h"

namespace framework {

UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

} // namespace framework
