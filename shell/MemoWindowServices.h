// The program's memo windows: one per request, over the message database, on the application's
// list of memo windows and the tray's list.
#pragma once

struct PartnerRef;

// Opens a memo window for the partner; false when none could be made.
bool OpenMemoWindow(const PartnerRef& partner);
