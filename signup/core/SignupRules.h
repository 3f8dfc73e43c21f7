// The sign-up program's rules that hold no window: profile roots, the machine identifier, the
// sign-up form, the confirmation text, the user-data page's normalisation and Next predicate,
// hand-over paths and the wizard's page flow.
#pragma once

#include "framework/core/CString.h"
#include "signup/core/SignupRecord.h"

namespace signup {

// Registry path under HKEY_CURRENT_USER of a profile: "NimboVandrell" (any case) is the main
// program's root "Software\Qelo\NimboVandrell"; any other name that root plus "\<name>", the
// empty name "Signup".
CString ProfileRootPath(const char* profileName);

// The text whose digest is the machine identifier: product id, organisation, owner and log-on
// name joined without separators.
CString MachineIdText(const CString& productId, const CString& organisation, const CString& owner,
                      const CString& userName);
CString MakeMachineId(const CString& productId, const CString& organisation, const CString& owner,
                      const CString& userName);

// The address field of the sign-up form: street address, a blank and building name, cut on a
// character boundary to at most 93 bytes, filled with blanks to 100 bytes, the last 7 bytes
// being "#<EntryCode>-<EntryCode2>" (cut on a character boundary, filled with blanks).
constexpr int kAddressFieldBytes = 100;
constexpr int kEntryCodeBytes = 7;
CString FillAddress(const SignupRecord& record);

// The sign-up form body: prefix followed by the eighteen fields, each value encoded on its own
// (UrlEncodeFormValue). record.MachineId must be set.
CString BuildSignupForm(const SignupRecord& record, const char* prefix);

// The confirmation text: format (nineteen %s) with the record's values; the sex shown as
// maleText when the stored value is "male" (any case), else femaleText.
CString FormatConfirmation(const SignupRecord& record, const CString& format, const CString& maleText,
                           const CString& femaleText);

// The user-data page's rules for what it stores: a birth year below 1800 or from 3000 on (as a
// number) becomes "1980"; a month outside 1-12 and a day outside 1-31 become "1", others are
// written without leading zeros; the sex text equal to maleText (any case) is "male", else "fema".
CString NormaliseBirthYear(const CString& text);
CString NormaliseMonthOrDay(const CString& text, int highest);
CString SexValueOf(const CString& shownText, const CString& maleText);
// Next is offered only when both kana names, both names, street address, both zip parts, the
// three telephone parts and the three wished accounts are filled in.
bool UserDataComplete(const SignupRecord& record);

// A handed-over atom name: a name longer than 3 characters that begins with a quotation mark
// loses its first and last characters. True (with the path) only for a ".cni" file (any case).
bool ConnectionFileOfHandover(const CString& atomName, CString* path);

// Page flow of the wizard (indices 0-6). Registration mode 0 is a new registration, 2 recovery.
enum class WizardButton { Back, Next };
// The page the wizard goes to from page index with that button, when the step goes through;
// -1 ends the wizard (Back on page 0; the result page has no Next).
int NextPageIndex(int mode, int page, WizardButton button);

// The charge page's path and query for an account, each value encoded on its own (a password
// with "&", "=", "+" or "%" reaches the charge server as it is).
CString ChargePagePath(const CString& loginId, const CString& loginPassword);

// A label row's font height or offset, given in pixels at 96 dots per inch, in twips for a screen
// of dpi vertical dots per inch: value x 138240 / (dpi x 72); a dpi below 1 counts as 96.
int TwipsOf(int value, int dpi);

} // namespace signup
