#include "voip/win/LibraryContext.h"

namespace qelo {

LibraryContext& Context()
{
    static LibraryContext context;
    return context;
}

} // namespace qelo
