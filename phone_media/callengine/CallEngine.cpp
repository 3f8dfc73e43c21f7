#include "phone_media/callengine/CallEngine.h"

#include "voip/qelo.h"

#include <cstring>

namespace {

CCallEngine* g_current = nullptr;

} // namespace

CCallEngine::CCallEngine() { g_current = this; }

CCallEngine::~CCallEngine()
{
    if (g_current == this)
        g_current = nullptr;
}

CCallEngine* CCallEngine::GetInstance() { return g_current; }

CString CCallEngine::GetVersionText()
{
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    PW_get_version(buffer);
    buffer[sizeof buffer - 1] = '\0';
    m_versionText = buffer;
    return m_versionText;
}
