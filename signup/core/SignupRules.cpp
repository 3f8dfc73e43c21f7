#include "signup/core/SignupRules.h"

#include "framework/core/Cp932.h"
#include "net/forms/ServiceForms.h"
#include "shell/common/utilities/TextUtil.h"
#include "signup/core/Sha1.h"

#include <cstdlib>
#include <string>

namespace signup {

namespace {

bool IsDecimal(const CString& text)
{
    if (text.IsEmpty() || text.GetLength() > 9)
        return false;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// The text cut on a character boundary to at most limit bytes.
std::string CutBytes(const CString& text, std::size_t limit)
{
    std::string s = text.str();
    if (s.size() <= limit)
        return s;
    return s.substr(0, cp932::BoundaryAtOrBefore(s.c_str(), s.size(), limit));
}

} // namespace

CString ProfileRootPath(const char* profileName)
{
    CString name = profileName ? profileName : "";
    CString root = "Software\\Qelo\\NimboVandrell";
    if (name.CompareNoCase("NimboVandrell") == 0)
        return root;
    if (name.IsEmpty())
        name = kSignupSection;
    return root + "\\" + name;
}

CString MachineIdText(const CString& productId, const CString& organisation, const CString& owner,
                      const CString& userName)
{
    return productId + organisation + owner + userName;
}

CString MakeMachineId(const CString& productId, const CString& organisation, const CString& owner,
                      const CString& userName)
{
    return Sha1Hex(MachineIdText(productId, organisation, owner, userName));
}

CString FillAddress(const SignupRecord& record)
{
    const std::size_t room = kAddressFieldBytes - kEntryCodeBytes;
    std::string field = CutBytes(record.Address1 + " " + record.Address2, room);
    field.append(room - field.size(), ' ');
    std::string code = CutBytes("#" + record.EntryCode + "-" + record.EntryCode2, kEntryCodeBytes);
    code.append(kEntryCodeBytes - code.size(), ' ');
    return CString(field + code);
}

CString BuildSignupForm(const SignupRecord& record, const char* prefix)
{
    const struct {
        const char* name;
        CString value;
    } fields[] = {
        {"ncid", record.MachineId},      {"lastname", record.Name},       {"firtname", record.Name2},
        {"kana_lastname", record.Kana},  {"kana_firstname", record.Kana2}, {"zipcode1", record.Zip},
        {"zipcode2", record.Zip2},       {"address", FillAddress(record)}, {"T1", record.Tel},
        {"T2", record.Tel2},             {"T3", record.Tel3},             {"sex", record.Sex},
        {"year", record.Age},            {"month", record.Age2},          {"day", record.Age3},
        {"1st_acc", record.VerkID},      {"2nd_acc", record.VerkID2},     {"3rd_acc", record.VerkID3},
    };
    CString body = prefix ? prefix : "";
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            body += "&";
        first = false;
        body += field.name;
        body += "=";
        body += UrlEncodeFormValue(field.value);
    }
    return body;
}

CString FormatConfirmation(const SignupRecord& record, const CString& format, const CString& maleText,
                           const CString& femaleText)
{
    const CString& sex = record.Sex.CompareNoCase("male") == 0 ? maleText : femaleText;
    const CString entry = record.EntryCode + "-" + record.EntryCode2;
    CString text;
    text.Format(format.GetString(), record.Kana.GetString(), record.Kana2.GetString(), record.Name.GetString(),
                record.Name2.GetString(), record.Age.GetString(), record.Age2.GetString(), record.Age3.GetString(),
                sex.GetString(), record.Zip.GetString(), record.Zip2.GetString(), record.Address1.GetString(),
                record.Address2.GetString(), record.Tel.GetString(), record.Tel2.GetString(), record.Tel3.GetString(),
                record.VerkID.GetString(), record.VerkID2.GetString(), record.VerkID3.GetString(), entry.GetString());
    return text;
}

CString NormaliseBirthYear(const CString& text)
{
    if (!IsDecimal(text))
        return "1980";
    long year = std::strtol(text, nullptr, 10);
    if (year < 1800 || year >= 3000)
        return "1980";
    CString out;
    out.Format("%ld", year);
    return out;
}

CString NormaliseMonthOrDay(const CString& text, int highest)
{
    if (!IsDecimal(text))
        return "1";
    long value = std::strtol(text, nullptr, 10);
    if (value < 1 || value > highest)
        return "1";
    CString out;
    out.Format("%ld", value);
    return out;
}

CString SexValueOf(const CString& shownText, const CString& maleText)
{
    return shownText.CompareNoCase(maleText) == 0 ? "male" : "fema";
}

bool UserDataComplete(const SignupRecord& r)
{
    const CString* required[] = {&r.Kana, &r.Kana2, &r.Name, &r.Name2, &r.Address1, &r.Zip, &r.Zip2, &r.Tel,
                                 &r.Tel2, &r.Tel3, &r.VerkID, &r.VerkID2, &r.VerkID3};
    for (const CString* value : required) {
        if (value->IsEmpty())
            return false;
    }
    return true;
}

bool ConnectionFileOfHandover(const CString& atomName, CString* path)
{
    CString name = atomName;
    if (name.GetLength() > 3 && name[0] == '"')
        name = name.Mid(1, name.GetLength() - 2);
    if (name.IsEmpty() || textutil::ClassifyHandoverPath(name) != textutil::HandoverKind::ConnectionInfo)
        return false;
    *path = name;
    return true;
}

int NextPageIndex(int mode, int page, WizardButton button)
{
    const bool next = button == WizardButton::Next;
    if (page <= 0)
        return next ? (mode == 2 ? 4 : 1) : -1;
    if (page >= 6)
        return next ? -1 : 5;
    if (page == 4 && !next)
        return mode == 2 ? 0 : 3;
    return next ? page + 1 : page - 1;
}

CString ChargePagePath(const CString& loginId, const CString& loginPassword)
{
    CString path;
    path.Format("/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=%s&login_password=%s",
                UrlEncodeFormValue(loginId).GetString(), UrlEncodeFormValue(loginPassword).GetString());
    return path;
}

int TwipsOf(int value, int dpi)
{
    if (dpi < 1)
        dpi = 96;
    return static_cast<int>(static_cast<long long>(value) * 138240 / (static_cast<long long>(dpi) * 72));
}

} // namespace signup
