#include "framework/core/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Code page 932 bytes of the texts used below.
const char kSo[] = "\x83\x5C";          // ソ: trail byte is 0x5C '\'
const char kHyou[] = "\x95\x5C";        // 表
const char kA_Katakana[] = "\x83\x41";  // ア: trail byte is 'A'
const char kHalfKana[] = "\xB1\xB2\xB3"; // ｱｲｳ: three single bytes
const char kKi[] = "\x82\xAB";          // き

std::string Hex(const CString& s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i) {
        unsigned char c = static_cast<unsigned char>(s.GetAt(i));
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

struct CutCase {
    const char* name;
    std::string text;
    int first;
    int count;
    std::string safeLeft;  // SafeLeft(count)
    std::string safeMid;   // SafeMid(first, count)
    std::string safeRight; // SafeRight(count)
};

TEST(CStringCuts, SafeCutsNeverSplitADoubleByteCharacter)
{
    const std::string so = kSo, hyou = kHyou, half = kHalfKana;
    const CutCase cases[] = {
        {"ascii", "abcdef", 1, 3, "abc", "bcd", "def"},
        {"lead byte at the cut", "a" + so + "b", 0, 2, "a", "a", "b"},
        {"cut just after the character", "a" + so + "b", 0, 3, "a" + so, "a" + so, so + "b"},
        {"start on a trail byte", so + hyou + "x", 1, 4, so + hyou, hyou + "x", hyou + "x"},
        {"half-width katakana are single bytes", half + "z", 1, 2, half.substr(0, 2), half.substr(1, 2), half.substr(2, 1) + "z"},
        {"count beyond the end", so, 0, 99, so, so, so},
        {"negative count", so + "a", 0, -1, "", "", ""},
        {"odd count on two characters", so + hyou, 0, 3, so, so, hyou},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        CString text(c.text.c_str());
        EXPECT_EQ(Hex(CString(c.safeLeft.c_str())), Hex(text.SafeLeft(c.count)));
        EXPECT_EQ(Hex(CString(c.safeMid.c_str())), Hex(text.SafeMid(c.first, c.count)));
        EXPECT_EQ(Hex(CString(c.safeRight.c_str())), Hex(text.SafeRight(c.count)));
    }
}

TEST(CStringCuts, ByteCutsClampLikeTheFramework)
{
    CString s("hello");
    EXPECT_EQ("ell", s.Mid(1, 3));
    EXPECT_EQ("llo", s.Mid(2));
    EXPECT_EQ("", s.Mid(9));
    EXPECT_EQ("hello", s.Mid(-3, 99));
    EXPECT_EQ("he", s.Left(2));
    EXPECT_EQ("", s.Left(-1));
    EXPECT_EQ("hello", s.Right(99));
    EXPECT_EQ("lo", s.Right(2));
}

TEST(CStringSearch, MatchesNeverStartOnATrailByte)
{
    const std::string so = kSo, a = kA_Katakana;
    CString path(("C:\\" + so + "\\x" + a).c_str()); // C:\ソ\xア
    EXPECT_EQ(2, path.Find('\\'));
    EXPECT_EQ(5, path.Find('\\', 3)) << "the 0x5C inside ソ is not a backslash";
    EXPECT_EQ(5, path.ReverseFind('\\'));
    EXPECT_EQ(-1, path.Find('A')) << "the trail byte of ア is not 'A'";
    EXPECT_EQ(6, path.Find("x"));
    EXPECT_EQ(3, path.Find(so.c_str()));
    EXPECT_EQ(-1, CString(("x" + so).c_str()).Find("\\"));
    EXPECT_EQ(-1, path.Find("zz"));
    EXPECT_EQ(0, path.Find(""));
    EXPECT_EQ(1, path.FindOneOf("x:"));
    EXPECT_EQ(3, path.FindOneOf(so.c_str()));
}

TEST(CStringSearch, ReplaceAndRemoveLeaveDoubleByteCharactersAlone)
{
    const std::string so = kSo;
    CString s(("a\\" + so + "\\").c_str());
    EXPECT_EQ(2, s.Replace('\\', '/'));
    EXPECT_EQ(Hex(CString(("a/" + so + "/").c_str())), Hex(s));

    CString t(("\\" + so + "\\").c_str());
    EXPECT_EQ(2, t.Remove('\\'));
    EXPECT_EQ(Hex(CString(so.c_str())), Hex(t));

    CString u("a&b&&c");
    EXPECT_EQ(3, u.Replace("&", "&amp;"));
    EXPECT_EQ("a&amp;b&amp;&amp;c", u);
    EXPECT_EQ(0, u.Replace("", "x"));
}

TEST(CStringCase, CaseChangesTouchOnlyAsciiCharacters)
{
    const std::string a = kA_Katakana, ki = kKi;
    CString s(("ab" + a + "cd" + ki).c_str());
    s.MakeUpper();
    EXPECT_EQ(Hex(CString(("AB" + a + "CD" + ki).c_str())), Hex(s)) << "the trail byte 'A' of ア stays";
    CString lower(("X\x83\x5A" + std::string("Y")).c_str()); // ズ has trail byte 'Z'
    lower.MakeLower();
    EXPECT_EQ(Hex(CString("x\x83\x5Ay")), Hex(lower));

    EXPECT_EQ(0, CString(("ab" + a).c_str()).CompareNoCase(("AB" + a).c_str()));
    EXPECT_NE(0, CString("\x83\x61").CompareNoCase("\x83\x41")) << "trail bytes are not folded";
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abcd").CompareNoCase("ABC"), 0);
}

TEST(CStringTrim, TrimsWholeCharactersOnly)
{
    const std::string so = kSo;
    CString s(("  x" + so + " \t\r\n").c_str());
    s.Trim();
    EXPECT_EQ(Hex(CString(("x" + so).c_str())), Hex(s));

    CString t((so + "\\\\").c_str());
    t.TrimRight('\\');
    EXPECT_EQ(Hex(CString(so.c_str())), Hex(t)) << "the 0x5C trail byte of ソ is kept";

    CString u((so).c_str());
    u.TrimRight('\\');
    EXPECT_EQ(Hex(CString(so.c_str())), Hex(u));

    CString v(("\x81\x40" + std::string("a\x81\x40")).c_str()); // ideographic spaces
    v.TrimLeft("\x81\x40");
    v.TrimRight("\x81\x40");
    EXPECT_EQ("a", v);
}

TEST(CStringReverse, ReversesByCharacter)
{
    const std::string so = kSo;
    CString s(("a" + so + "b").c_str());
    s.MakeReverse();
    EXPECT_EQ(Hex(CString(("b" + so + "a").c_str())), Hex(s));
}

TEST(CStringFormat, FormatsLikePrintf)
{
    CString s;
    s.Format("Version%s Rel%s Build%s", "1.0", "2", "345");
    EXPECT_EQ("Version1.0 Rel2 Build345", s);
    s.Format("%d:%02d:%s", -7, 5, "\x83\x5C");
    EXPECT_EQ("-7:05:\x83\x5C", s);
    std::string big(5000, 'q');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(5002, s.GetLength());
    s.AppendFormat("(#%d)", 12);
    EXPECT_EQ("(#12)", s.Right(5));
}

TEST(CStringBuffer, GetBufferAndReleaseBuffer)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    std::snprintf(p, 11, "%s", "0123456789");
    s.ReleaseBuffer();
    EXPECT_EQ("0123456789", s);
    p = s.GetBuffer(0);
    p[3] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ("012", s);
    s.GetBufferSetLength(2);
    s.ReleaseBuffer(2);
    EXPECT_EQ("01", s);
}

TEST(CStringEdit, InsertDeleteAndSpans)
{
    CString s("abef");
    EXPECT_EQ(6, s.Insert(2, "cd"));
    EXPECT_EQ("abcdef", s);
    EXPECT_EQ(7, s.Insert(99, '!'));
    EXPECT_EQ("abcdef!", s);
    EXPECT_EQ(4, s.Delete(1, 3));
    EXPECT_EQ("aef!", s);
    EXPECT_EQ(4, s.Delete(9, 3));
    EXPECT_EQ("ae", CString("aef!").SpanIncluding("ae"));
    EXPECT_EQ("aef", CString("aef!").SpanExcluding("!?"));
}

TEST(CStringCompare, ComparesBytesUnsigned)
{
    EXPECT_LT(CString("a"), CString("\x83\x5C"));
    EXPECT_TRUE(CString("abc") == "abc");
    EXPECT_TRUE(CString() == "");
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    EXPECT_EQ(CString("x") + "y" + 'z', "xyz");
    EXPECT_EQ('\0', CString("a").GetAt(5));
}

} // namespace
