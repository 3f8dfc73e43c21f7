#include "phone_media/audiofile/MappedFile.h"

bool CMemoryMappedFile::Resize(std::size_t bytes)
{
    if (m_failResizes) {
        m_bytes.clear();
        return false;
    }
    // A read-only mapping can't make the file longer, as on the real platforms.
    if (m_access == MappedAccess::Read && bytes > m_bytes.size()) {
        m_bytes.clear();
        return false;
    }
    m_bytes.resize(bytes, 0);
    return true;
}
