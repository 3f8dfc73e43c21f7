#include "voip/win/UiPolicy.h"

#include "voip/win/ResourceText.h"

#include <windows.h>

#include <atomic>

namespace qelo {

namespace {

bool ShowBox(BoxKind kind, const std::string& caption, const std::string& text)
{
    UINT style = kind == BoxKind::Confirm ? (MB_OKCANCEL | MB_ICONINFORMATION) : (MB_OK | MB_ICONERROR);
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), style) == IDOK;
}

std::atomic<BoxAnswerer> g_answerer{ShowBox};

} // namespace

void SetBoxAnswerer(BoxAnswerer answerer) { g_answerer = answerer ? answerer : ShowBox; }

int ConfirmBox(const std::string& text)
{
    return g_answerer.load()(BoxKind::Confirm, ResourceText(kTextQuestionCaption), text) ? 1 : 0;
}

int StopBox(const std::string& text)
{
    g_answerer.load()(BoxKind::Stop, "Stop", text);
    return -1;
}

} // namespace qelo
