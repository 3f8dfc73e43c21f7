// The library's message boxes go through one seam, so that tests (and hosts without a user)
// can answer them instead of a person.
#pragma once

#include <string>

namespace qelo {

enum class BoxKind { Confirm, Stop };

// Answers a box: for Confirm true means OK. The default shows a real MessageBox.
using BoxAnswerer = bool (*)(BoxKind kind, const std::string& caption, const std::string& text);
void SetBoxAnswerer(BoxAnswerer answerer);

// confirm_box: OK and Cancel, information icon, captioned with resource text 38; 1 for OK.
int ConfirmBox(const std::string& text);
// stop_box: captioned "Stop" with the error icon; always -1.
int StopBox(const std::string& text);

} // namespace qelo
