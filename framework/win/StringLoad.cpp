#include "framework/core/CString.h"
#include "framework/win/Afx.h"

#undef LoadString
BOOL CString::LoadString(UINT id)
{
    // String-table entries are at most 4097 characters; grow until the text fits.
    for (int size = 256; size <= 8192; size *= 2) {
        char* buffer = GetBufferSetLength(size);
        int length = ::LoadStringA(AfxGetResourceHandle(), id, buffer, size);
        if (length < size - 1) {
            ReleaseBuffer(length);
            return length > 0;
        }
    }
    Empty();
    return FALSE;
}
