// The sign-up program's record store: the user's entered data in the profile section Signup and
// the shared account settings in NetInfo (CNetInfo::Load and Save are the one implementation).
#pragma once

#include "framework/core/CString.h"
#include "shell/common/settings/NetInfo.h"
#include "shell/common/settings/ProfileStore.h"

#include <cstddef>

struct SignupRecord {
    CString Kana, Kana2, Name, Name2, Age, Age2, Age3, Sex, Address1, Address2, Tel, Tel2, Tel3, Zip, Zip2, VerkID,
        VerkID2, VerkID3, EntryCode, EntryCode2;
    // Computed for each sign-up, never stored.
    CString MachineId;
};

// The twenty stored values in the order they are read and written.
struct SignupRecordField {
    const char* key;
    CString SignupRecord::*member;
    const char* defaultValue;
    bool defaultAlsoWhenEmpty;
};
const SignupRecordField* SignupRecordFields(std::size_t* count);

constexpr char kSignupSection[] = "Signup";
constexpr char kNetInfoSection[] = "NetInfo";

// The profile sections sit under the program root HKCU\Software\Qelo\NimboVandrell; section
// names an empty text as the program's own section Signup.
void LoadSignupRecord(IProfileStore& profile, CNetInfo& netInfo, SignupRecord& record, const char* section = "");
void SaveUserSection(IProfileStore& profile, const SignupRecord& record, const char* section = "");
// The NetInfo values (CNetInfo::Save): the communication ID last, cleared first when the stored
// account differs, so that an interrupted save never leaves a complete-looking mix of two accounts.
void SaveNetInfo(CNetInfo& netInfo);
