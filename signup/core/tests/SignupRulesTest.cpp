#include "signup/core/SignupRules.h"

#include "signup/core/Sha1.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace signup;

namespace {

// Splits a form body at "&" and "=" and undoes the percent escapes: what a server reads.
std::map<std::string, std::string> ParseForm(const std::string& body)
{
    std::map<std::string, std::string> fields;
    std::size_t at = 0;
    while (at <= body.size()) {
        std::size_t end = body.find('&', at);
        if (end == std::string::npos)
            end = body.size();
        std::string pair = body.substr(at, end - at);
        std::size_t eq = pair.find('=');
        std::string value;
        for (std::size_t i = eq + 1; i < pair.size(); ++i) {
            if (pair[i] == '%' && i + 2 < pair.size()) {
                value += static_cast<char>(std::stoi(pair.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                value += pair[i] == '+' ? ' ' : pair[i];
            }
        }
        fields[pair.substr(0, eq)] = value;
        at = end + 1;
    }
    return fields;
}

SignupRecord SampleRecord()
{
    SignupRecord r;
    r.Kana = "\xd4\xcf\xc0\xde"; // half-width kana
    r.Kana2 = "\xc0\xdb\xb3";
    r.Name = "\x8e\x52\x93\x63";  // 山田
    r.Name2 = "\x91\xbe\x98\x59"; // 太郎
    r.Age = "1975";
    r.Age2 = "7";
    r.Age3 = "30";
    r.Sex = "male";
    r.Address1 = "Minato 1-2-3";
    r.Address2 = "Tower 4F";
    r.Tel = "03";
    r.Tel2 = "1234";
    r.Tel3 = "5678";
    r.Zip = "105";
    r.Zip2 = "0011";
    r.VerkID = "a&b=c";
    r.VerkID2 = "x+y%z";
    r.VerkID3 = "plain";
    r.EntryCode = "AB";
    r.EntryCode2 = "123";
    r.MachineId = Sha1Hex(CString("id"));
    return r;
}

} // namespace

TEST(SignupRules, ProfileRoots)
{
    const struct {
        const char* name;
        const char* path;
    } cases[] = {
        {"", "Software\\Qelo\\NimboVandrell\\Signup"},
        {nullptr, "Software\\Qelo\\NimboVandrell\\Signup"},
        {"NimboVandrell", "Software\\Qelo\\NimboVandrell"},
        {"nimbovandrell", "Software\\Qelo\\NimboVandrell"},
        {"NIMBOVANDRELL", "Software\\Qelo\\NimboVandrell"},
        {"Servers", "Software\\Qelo\\NimboVandrell\\Servers"},
        {"NetInfo", "Software\\Qelo\\NimboVandrell\\NetInfo"},
        {"NimboVandrellX", "Software\\Qelo\\NimboVandrell\\NimboVandrellX"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.path, ProfileRootPath(c.name).GetString()) << (c.name ? c.name : "(null)");
}

TEST(SignupRules, MachineIdIsTheDigestOfTheFourPartsInOrder)
{
    EXPECT_STREQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", MakeMachineId("", "", "", "").GetString());
    EXPECT_STREQ("PIDORGOWNERuser", MachineIdText("PID", "ORG", "OWNER", "user").GetString());
    EXPECT_EQ(Sha1Hex(CString("abc")), MakeMachineId("a", "b", "c", ""));
    EXPECT_NE(MakeMachineId("a", "b", "", ""), MakeMachineId("b", "a", "", ""));
}

TEST(SignupRules, AddressFieldKeepsTheEntryCodeInItsLastSevenBytes)
{
    const std::string sjisA = "\x82\xa0"; // one double-byte character
    const struct {
        const char* name;
        std::string address1, address2, code1, code2;
        std::string expectedAddress; // the first 93 bytes, blanks trimmed off the end
        std::string expectedCode;
    } cases[] = {
        {"short", "Street", "Bldg", "12", "345", "Street Bldg", "#12-345"},
        {"exactly 93 bytes", std::string(50, 'a'), std::string(42, 'b'), "12", "345",
         std::string(50, 'a') + " " + std::string(42, 'b'), "#12-345"},
        {"longer address is cut", std::string(60, 'a'), std::string(60, 'b'), "12", "345",
         std::string(60, 'a') + " " + std::string(32, 'b'), "#12-345"},
        {"cut never splits a character", std::string(92, 'a') + sjisA, "", "1", "2", std::string(92, 'a'), "#1-2   "},
        {"empty entry code", "x", "", "", "", "x", "#-     "},
        {"long entry code cut", "x", "", "1234", "5678", "x", "#1234-5"},
        {"double-byte entry code cut on a boundary", "x", "", sjisA + sjisA, sjisA, "x", "#" + sjisA + sjisA + "- "},
        {"double-byte entry code that would split", "x", "", "1" + sjisA + sjisA + sjisA, "", "x",
         "#1" + sjisA + sjisA + " "},
    };
    for (const auto& c : cases) {
        SignupRecord r;
        r.Address1 = c.address1;
        r.Address2 = c.address2;
        r.EntryCode = c.code1;
        r.EntryCode2 = c.code2;
        std::string field = FillAddress(r).str();
        ASSERT_EQ(100u, field.size()) << c.name;
        std::string head = field.substr(0, 93);
        std::string trimmed = head.substr(0, head.find_last_not_of(' ') + 1);
        EXPECT_EQ(c.expectedAddress, trimmed) << c.name;
        EXPECT_EQ(c.expectedCode, field.substr(93)) << c.name;
    }
}

TEST(SignupRules, FormCarriesTheEighteenFieldsInOrderEachValueIntact)
{
    SignupRecord r = SampleRecord();
    std::string body = BuildSignupForm(r, "pre:").str();
    ASSERT_EQ(0u, body.find("pre:ncid="));
    const char* names[] = {"ncid",  "lastname", "firtname", "kana_lastname", "kana_firstname", "zipcode1",
                           "zipcode2", "address", "T1",    "T2",            "T3",             "sex",
                           "year",  "month",    "day",     "1st_acc",       "2nd_acc",        "3rd_acc"};
    std::size_t at = 4;
    for (const char* name : names) {
        std::string expected = std::string(name) + "=";
        ASSERT_EQ(expected, body.substr(at, expected.size())) << name;
        at = body.find('&', at);
        at = at == std::string::npos ? body.size() : at + 1;
    }
    EXPECT_EQ(body.size(), at);
    auto fields = ParseForm(body.substr(4));
    EXPECT_EQ(18u, fields.size());
    EXPECT_EQ("a&b=c", fields["1st_acc"]);
    EXPECT_EQ("x+y%z", fields["2nd_acc"]);
    EXPECT_EQ(r.Name.str(), fields["lastname"]);
    EXPECT_EQ(r.Name2.str(), fields["firtname"]);
    EXPECT_EQ(FillAddress(r).str(), fields["address"]);
    EXPECT_EQ(r.MachineId.str(), fields["ncid"]);
    EXPECT_EQ(std::string::npos, body.find(' ')) << "blanks are escaped";
}

TEST(SignupRules, ConfirmationShowsEveryValueAndTheSexText)
{
    SignupRecord r = SampleRecord();
    CString format;
    for (int i = 0; i < 19; ++i)
        format += "[%s]";
    const struct {
        const char* sex;
        const char* shown;
    } cases[] = {{"male", "M"}, {"MALE", "M"}, {"fema", "F"}, {"", "F"}};
    for (const auto& c : cases) {
        r.Sex = c.sex;
        std::string text = FormatConfirmation(r, format, "M", "F").str();
        std::string expected = "[" + r.Kana.str() + "][" + r.Kana2.str() + "][" + r.Name.str() + "][" + r.Name2.str() +
                               "][1975][7][30][" + c.shown + "][105][0011][Minato 1-2-3][Tower 4F][03][1234][5678]"
                               "[a&b=c][x+y%z][plain][AB-123]";
        EXPECT_EQ(expected, text) << c.sex;
    }
}

TEST(SignupRules, BirthDateAndSexNormalisation)
{
    const struct {
        const char* in;
        const char* year;
        const char* month;
        const char* day;
    } cases[] = {
        {"1799", "1980", "1", "1"}, {"1800", "1800", "1", "1"}, {"2999", "2999", "1", "1"},
        {"3000", "1980", "1", "1"}, {"07", "1980", "7", "7"},   {"13", "1980", "1", "13"},
        {"31", "1980", "1", "31"},  {"32", "1980", "1", "1"},   {"0", "1980", "1", "1"},
        {"", "1980", "1", "1"},     {"ab", "1980", "1", "1"},   {"-5", "1980", "1", "1"},
        {"99999999999", "1980", "1", "1"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.year, NormaliseBirthYear(c.in).GetString()) << c.in;
        EXPECT_STREQ(c.month, NormaliseMonthOrDay(c.in, 12).GetString()) << c.in;
        EXPECT_STREQ(c.day, NormaliseMonthOrDay(c.in, 31).GetString()) << c.in;
    }
    const char* male = "\x92\x6a"; // 男
    EXPECT_STREQ("male", SexValueOf(male, male).GetString());
    EXPECT_STREQ("fema", SexValueOf("\x8f\x97", male).GetString());
    EXPECT_STREQ("fema", SexValueOf("", male).GetString());
}

TEST(SignupRules, NextNeedsEveryRequiredFieldAndNoOptionalOne)
{
    SignupRecord full = SampleRecord();
    EXPECT_TRUE(UserDataComplete(full));
    SignupRecord optionalEmpty = full;
    optionalEmpty.Age = optionalEmpty.Age2 = optionalEmpty.Age3 = optionalEmpty.Sex = "";
    optionalEmpty.Address2 = optionalEmpty.EntryCode = optionalEmpty.EntryCode2 = "";
    EXPECT_TRUE(UserDataComplete(optionalEmpty));
    CString SignupRecord::*required[] = {&SignupRecord::Kana,    &SignupRecord::Kana2,   &SignupRecord::Name,
                                         &SignupRecord::Name2,   &SignupRecord::Address1, &SignupRecord::Zip,
                                         &SignupRecord::Zip2,    &SignupRecord::Tel,     &SignupRecord::Tel2,
                                         &SignupRecord::Tel3,    &SignupRecord::VerkID,  &SignupRecord::VerkID2,
                                         &SignupRecord::VerkID3};
    for (auto member : required) {
        SignupRecord r = full;
        r.*member = "";
        EXPECT_FALSE(UserDataComplete(r));
    }
}

TEST(SignupRules, HandedOverNames)
{
    const std::string longName = "C:\\" + std::string(250, 'd') + ".cni";
    const struct {
        std::string atom;
        bool taken;
        std::string path;
    } cases[] = {
        {"C:\\a\\b.cni", true, "C:\\a\\b.cni"},
        {"\"C:\\a b\\c.CNI\"", true, "C:\\a b\\c.CNI"},
        {"\"x.cni", false, ""}, // the last character dropped leaves "x.cn"
        {"C:\\skin.csz", false, ""},
        {"C:\\file.txt", false, ""},
        {"", false, ""},
        {"\"\"", false, ""},
        {".cni", true, ".cni"},
        {"\".cni\"", true, ".cni"},
        {longName, true, longName},
        {"C:\\\x95\x5c.cni", true, "C:\\\x95\x5c.cni"},
    };
    for (const auto& c : cases) {
        CString path = "untouched";
        EXPECT_EQ(c.taken, ConnectionFileOfHandover(c.atom, &path)) << c.atom;
        EXPECT_EQ(c.taken ? c.path : std::string("untouched"), path.str()) << c.atom;
    }
}

TEST(SignupRules, PageFlowByModePageAndButton)
{
    const auto B = WizardButton::Back;
    const auto N = WizardButton::Next;
    const struct {
        int mode, page;
        WizardButton button;
        int to;
    } cases[] = {
        {0, 0, N, 1}, {0, 1, N, 2}, {0, 2, N, 3}, {0, 3, N, 4}, {0, 4, N, 5}, {0, 5, N, 6}, {0, 6, N, -1},
        {0, 0, B, -1}, {0, 1, B, 0}, {0, 2, B, 1}, {0, 3, B, 2}, {0, 4, B, 3}, {0, 5, B, 4}, {0, 6, B, 5},
        {2, 0, N, 4}, {2, 4, N, 5}, {2, 5, N, 6}, {2, 6, N, -1},
        {2, 0, B, -1}, {2, 4, B, 0}, {2, 5, B, 4}, {2, 6, B, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.to, NextPageIndex(c.mode, c.page, c.button))
            << "mode " << c.mode << " page " << c.page << (c.button == N ? " next" : " back");
}

TEST(SignupRules, LabelSizesInTwips)
{
    const struct {
        int value, dpi, twips;
    } rows[] = {
        {11, 96, 220}, {11, 0, 220}, {11, -5, 220}, {11, 120, 176}, {9, 96, 180}, {0, 96, 0}, {-2, 96, -40},
        {1000000, 1, 1920000000},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.twips, TwipsOf(row.value, row.dpi)) << row.value << " at " << row.dpi;
}

TEST(SignupRules, ChargePageValuesAreEncodedOneByOne)
{
    const struct {
        const char *login, *password, *path;
    } rows[] = {
        {"nv000001", "pw000001", "/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=nv000001&login_password=pw000001"},
        {"a&b", "p=q+r%s", "/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=a%26b&login_password=p%3Dq%2Br%25s"},
        {"", "", "/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=&login_password="},
        {"\x83\x5c", "a b", "/charge_pc/chg/NCSConectMenu_PC.cgi?login_id=%83%5C&login_password=a%20b"},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.path, ChargePagePath(row.login, row.password).GetString()) << row.login;
}
