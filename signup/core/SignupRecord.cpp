#include "signup/core/SignupRecord.h"

namespace {

const SignupRecordField kFields[] = {
    {"Kana", &SignupRecord::Kana, "", false},
    {"Kana2", &SignupRecord::Kana2, "", false},
    {"Name", &SignupRecord::Name, "", false},
    {"Name2", &SignupRecord::Name2, "", false},
    {"Age", &SignupRecord::Age, "2000", true},
    {"Age2", &SignupRecord::Age2, "1", true},
    {"Age3", &SignupRecord::Age3, "1", true},
    {"Sex", &SignupRecord::Sex, "male", false},
    {"Address1", &SignupRecord::Address1, "", false},
    {"Address2", &SignupRecord::Address2, "", false},
    {"Tel", &SignupRecord::Tel, "", false},
    {"Tel2", &SignupRecord::Tel2, "", false},
    {"Tel3", &SignupRecord::Tel3, "", false},
    {"Zip", &SignupRecord::Zip, "", false},
    {"Zip2", &SignupRecord::Zip2, "", false},
    {"VerkID", &SignupRecord::VerkID, "", false},
    {"VerkID2", &SignupRecord::VerkID2, "", false},
    {"VerkID3", &SignupRecord::VerkID3, "", false},
    {"EntryCode", &SignupRecord::EntryCode, "", false},
    {"EntryCode2", &SignupRecord::EntryCode2, "", false},
};

const char* SectionName(const char* section) { return section && *section ? section : kSignupSection; }

} // namespace

const SignupRecordField* SignupRecordFields(std::size_t* count)
{
    *count = sizeof kFields / sizeof kFields[0];
    return kFields;
}

void LoadSignupRecord(IProfileStore& profile, CNetInfo& netInfo, SignupRecord& record, const char* section)
{
    const char* s = SectionName(section);
    for (const SignupRecordField& field : kFields) {
        CString value = profile.GetString(s, field.key, field.defaultValue);
        if (field.defaultAlsoWhenEmpty && value.IsEmpty())
            value = field.defaultValue;
        record.*field.member = value;
    }
    netInfo.SetProfileStore(&profile);
    netInfo.Load(s, kNetInfoSection);
}

void SaveUserSection(IProfileStore& profile, const SignupRecord& record, const char* section)
{
    const char* s = SectionName(section);
    for (const SignupRecordField& field : kFields)
        profile.WriteString(s, field.key, record.*field.member);
}

void SaveNetInfo(CNetInfo& netInfo) { netInfo.Save(kNetInfoSection); }
