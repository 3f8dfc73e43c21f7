#include "shell/common/skin/SkinInfo.h"

#include "shell/common/skin/SplitFields.h"
#include "toolkit/core/SkinEntries.h"

#include <climits>
#include <cstring>

const char* const kBaseSkinName = "baseskin";

// Key spellings are those stored in every skin (BROWSER_FOWARD and RGN_GENRAL included).
const SkinIdKey SkinControlKeyTable[] = {
    // main window
    {1016, "MAIN_CLS"}, {1003, "MAIN_LOGIN"}, {1178, "MAIN_LOGOUT"}, {1179, "MAIN_HELP"},
    {1182, "MAIN_SET"}, {1184, "MAIN_MENU"}, {1014, "MAIN_BROWSER"}, {1013, "MAIN_CHAT"},
    {1012, "MAIN_VYRNTALK"}, {1026, "MAIN_MAIL"}, {1028, "MAIN_ADDRESS"}, {1015, "MAIN_CAST"},
    {1024, "MAIN_PHONE"}, {1020, "MAIN_CD"}, {1242, "MAIN_CMIMAGE"},
    // URL bar, lists
    {1011, "URL_COMBOX"}, {1000, "USER_LIST"}, {1001, "FRIEND_LIST"},
    // CD player
    {1191, "CD_SHUFFLE"}, {1197, "CD_CLS"}, {1185, "CD_BACK"}, {1186, "CD_PLAY"},
    {1187, "CD_PAUSE"}, {1194, "CD_NEXT"}, {1188, "CD_STOP"}, {1189, "CD_EJECT"},
    {1190, "CD_REPEAT"}, {1199, "CD_ALLREPEAT"}, {1294, "CD_COUNTER"}, {1296, "CD_TIMER"},
    {1193, "CD_VOLUMEBAR"},
    // voice clip panel
    {1240, "CAST_CLS"}, {1201, "CAST_PLAY"}, {1202, "CAST_REC"}, {1200, "CAST_STOP"},
    {1205, "CAST_BACK"}, {1249, "CAST_INDICATE"},
    // phone
    {1243, "PHONE_CLS"}, {1274, "PHONE_0"}, {1244, "PHONE_1"}, {1245, "PHONE_2"}, {1248, "PHONE_3"},
    {1252, "PHONE_4"}, {1255, "PHONE_5"}, {1258, "PHONE_6"}, {1263, "PHONE_7"}, {1266, "PHONE_8"},
    {1270, "PHONE_9"}, {1271, "PHONE_*"}, {1277, "PHONE_#"}, {1247, "PHONE_START"},
    {1251, "PHONE_END"}, {1257, "PHONE_SOUND"}, {1260, "PHONE_FORWARD"}, {1254, "PHONE_SHORT"},
    {1250, "PHONE_CREDIT"}, {1262, "PHONE_PREPAID"}, {1269, "PHONE_REC"}, {1276, "PHONE_REDIAL_UP"},
    {1279, "PHONE_REDIAL_DOWN"}, {1273, "PHONE_RCV_INDICATE"}, {1265, "PHONE_SND_INDICATE"},
    {1357, "PHONE_STATUS"}, {1359, "PHONE_NO"}, {1442, "PHONE_BANNER"},
    // prepaid dialog
    {1338, "PREPAID_OK"}, {1340, "PREPAID_CANCEL"}, {1334, "PREPAID_ID"}, {1336, "PREPAID_PASSWD"},
    // received-message window
    {1209, "VYRNTALK_RCV_CLS"}, {1223, "VYRNTALK_RCV_PLAY"}, {1227, "VYRNTALK_RCV_NEW"},
    {1229, "VYRNTALK_RCV_REPLY"}, {1231, "VYRNTALK_RCV_RELOAD"}, {1233, "VYRNTALK_RCV_LOG"},
    {1023, "VYRNTALK_RCV_LIST"}, {1025, "VYRNTALK_RCV_VIEW"}, {1361, "VYRNTALK_RCV_BANNER"},
    {1391, "VYRNTALK_RCV_STATE"}, {1390, "VYRNTALK_RCV_EXCANCEL"}, {1396, "VYRNTALK_RCV_FILE"},
    // send window
    {1221, "VYRNTALK_SND_CLS"}, {1048, "VYRNTALK_SND_SEND"}, {1037, "VYRNTALK_SND_REC"},
    {1050, "VYRNTALK_SND_LOG"}, {1038, "VYRNTALK_SND_INDICATE"}, {1035, "VYRNTALK_SND_EDIT"},
    {1246, "VYRNTALK_SND_COMMNAME"}, {1033, "VYRNTALK_SND_COMMID"}, {1388, "VYRNTALK_SND_STATE"},
    {1387, "VYRNTALK_SND_EXCANCEL"}, {1389, "VYRNTALK_SND_CHK"}, {1394, "VYRNTALK_SND_RESET"},
    {1395, "VYRNTALK_SND_FILE"}, {1408, "VYRNTALK_SND_FILENAME"},
    // browser
    {1204, "BROWSER_CLS"}, {1206, "BROWSER_BACK"}, {1207, "BROWSER_FOWARD"}, {1210, "BROWSER_STOP"},
    {1211, "BROWSER_RELOAD"}, {1212, "BROWSER_HOME"}, {1213, "BROWSER_SEARCH"},
    {1214, "BROWSER_FAVORITE"}, {1216, "BROWSER_QELO"}, {1447, "BROWSER_MYROOM"},
    {1306, "BROWSER_INDICATE"}, {1358, "BROWSER_HTML"}, {1355, "BROWSER_STATUSBAR"},
    {1356, "BROWSER_KEY"}, {1444, "BROWSER_OEM"},
    // chat
    {1217, "CHAT_CLS"}, {1224, "CHAT_COLOR1"}, {1228, "CHAT_COLOR2"}, {1226, "CHAT_COLOR3"},
    {1220, "CHAT_COLOR4"}, {1222, "CHAT_COLOR5"}, {1218, "CHAT_COLOR6"}, {1230, "CHAT_FACE1"},
    {1232, "CHAT_FACE2"}, {1234, "CHAT_FACE3"}, {1235, "CHAT_FACE4"}, {1236, "CHAT_FACE5"},
    {1237, "CHAT_FACE6"}, {1238, "CHAT_FACE7"}, {1239, "CHAT_FACE8"}, {1310, "CHAT_ROOMIN"},
    {1311, "CHAT_ROOMOUT"}, {1360, "CHAT_BANNER"}, {1018, "CHAT_VIEW"}, {1010, "CHAT_INPUT"},
    {1002, "CHAT_USERLIST"},
    // chat login
    {1261, "CHAT_LOGIN_OK"}, {1264, "CHAT_LOGIN_CANCEL"}, {1081, "CHAT_LOGIN_NICKNAME"},
    {1079, "CHAT_LOGIN_ROOMNAME"},
    // settings dialog
    {1291, "SET_CLS"},
    // message log window
    {1337, "VYRNTALK_LOG_CLS"}, {1344, "VYRNTALK_LOG_PLAY"}, {1335, "VYRNTALK_LOG_REPLY"},
    {1333, "VYRNTALK_LOG_DEL"}, {1346, "VYRNTALK_LOG_RELOAD"}, {1350, "VYRNTALK_LOG_COMMNAME"},
    {1339, "VYRNTALK_LOG_LIST"}, {1341, "VYRNTALK_LOG_VIEW"}, {1413, "VYRNTALK_LOG_FILE"},
    // partner list
    {1370, "VYRNTALK_LOG_USER_CLS"}, {1366, "VYRNTALK_LOG_USER_DEL"},
    {1367, "VYRNTALK_LOG_USER_REPLY"}, {1369, "VYRNTALK_LOG_USER_LOG"},
    {1371, "VYRNTALK_LOG_USER_PHONE"}, {1414, "VYRNTALK_LOG_USER_MEMO"},
    {1368, "VYRNTALK_LOG_USER_RELOAD"}, {1365, "VYRNTALK_LOG_USER_LIST"},
    // error log
    {1384, "ERROR_LOG_CLS"}, {1385, "ERROR_LOG_DEL"}, {1383, "ERROR_LOG_LIST"},
    // memo
    {1386, "MEMO_CLS"}, {1405, "MEMO_NAME"}, {1397, "MEMO_EDIT"}, {1403, "MEMO_OK"},
    {1404, "MEMO_CANCEL"},
    // mood window
    {1445, "USER_STAT_SUBTITLE"}, {1415, "USER_STAT_ITEMS"}, {1409, "USER_STAT_CLOSE"},
    {1406, "USER_STAT_OK"}, {1407, "USER_STAT_CANCEL"},
    {0, ""},
};

const SkinIdKey SkinDockKeyTable[] = {
    {197, "CTRLD_MAIN"}, {202, "CTRLD_URL"}, {248, "CTRLD_CHAT"}, {163, "CTRLD_BROWSER"},
    {200, "CTRLD_USER"}, {203, "CTRLD_FRIEND"}, {247, "CTRLD_CD"}, {250, "CTRLD_CAST"},
    {628, "CTRLD_PHONE"}, {785, "CTRLD_VYRNTALK_LOG_USER_LIST"}, {789, "CTRLD_ERROR_LOG"},
    {790, "CTRLD_MEMO"}, {833, "CTRLD_USER_STAT"},
    {0, ""},
};

const SkinIdKey SkinTitleKeyTable[] = {
    {785, "VYRNTALK_LOG_USER_TITLE"}, {789, "ERROR_LOG_TITLE"}, {790, "MEMO_TITLE"},
    {833, "USER_STAT_TITLE"},
    {0, ""},
};

const SkinFileKey SkinRegionKeyTable[] = {
    {"vyrntalk_rcv.bmp", "RGN_VYRNTALK_RCV"}, {"chat.bmp", "RGN_CHAT"},
    {"browser.bmp", "RGN_BROWSER"}, {"url.bmp", "RGN_URL"},
    {"vyrntalk_snd.bmp", "RGN_VYRNTALK_SND"}, {"cast.bmp", "RGN_CAST"},
    {"cdplay.bmp", "RGN_CD"}, {"phone.bmp", "RGN_PHONE"}, {"main.bmp", "RGN_MAIN"},
    {"friend.bmp", "RGN_FRIEND"}, {"user.bmp", "RGN_USER"},
    {"chat_login.bmp", "RGN_CHAT_LOGIN"}, {"set.bmp", "RGN_SET"},
    {"vyrntalk_log.bmp", "RGN_VYRNTALK_LOG"}, {"prepaid.bmp", "RGN_PREPAID"},
    {"general.bmp", "RGN_GENRAL"}, {"vyrn_msg.bmp", "RGN_VYRN_CHAR"},
    {"vyrn_msg_err.bmp", "RGN_VYRN_ERR_CHAR"},
    {"", ""},
};

const SkinFileKey SkinResizeKeyTable[] = {
    {"chat.bmp", "RESIZE_CHAT_INFO"}, {"browser.bmp", "RESIZE_BROWSER_INFO"},
    {"set.bmp", "RESIZE_SETTING_INFO"}, {"general.bmp", "RESIZE_GENERAL_INFO"},
    {"", ""},
};

const char* FindSkinKey(const SkinIdKey* table, std::uint32_t id)
{
    for (; table->id != 0; ++table)
        if (table->id == id)
            return table->key;
    return nullptr;
}

const char* FindSkinKey(const SkinFileKey* table, const char* file)
{
    if (!file)
        return nullptr;
    for (; table->file[0] != '\0'; ++table)
        if (std::strcmp(table->file, file) == 0)
            return table->key;
    return nullptr;
}

std::vector<CString> ParseSkinInfo(const char* data, std::size_t size, std::size_t maxLines)
{
    std::vector<CString> lines;
    std::size_t pos = 0;
    while (pos < size && lines.size() < maxLines) {
        std::size_t end = pos;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        std::size_t length = end - pos;
        const void* nul = std::memchr(data + pos, '\0', length);
        if (nul)
            length = static_cast<std::size_t>(static_cast<const char*>(nul) - (data + pos));
        unsigned char first = length ? static_cast<unsigned char>(data[pos]) : 0;
        if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))
            lines.emplace_back(data + pos, static_cast<int>(length));
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return lines;
}

bool FindSkinInfoValue(const std::vector<CString>& lines, const char* key, CString& value)
{
    value.Empty();
    if (!key || !*key)
        return false;
    const std::size_t keyLength = std::strlen(key);
    // A line of exactly this key first: a learned RGN_CHAT_LOGIN line must not answer RGN_CHAT.
    for (const CString& line : lines) {
        const std::string& s = line.str();
        if (s.size() > keyLength && s[keyLength] == '=' && s.compare(0, keyLength, key) == 0) {
            value = s.substr(keyLength + 1);
            return true;
        }
    }
    // Hand-made skins rely on the prefix rule and on line order.
    for (const CString& line : lines) {
        const std::string& s = line.str();
        if (s.size() >= keyLength && s.compare(0, keyLength, key) == 0) {
            value = s.size() > keyLength + 1 ? s.substr(keyLength + 1) : std::string();
            return true;
        }
    }
    return false;
}

bool ParseSkinInt(const CString& text, int& value)
{
    const char* s = text.GetString();
    while (*s == ' ' || *s == '\t')
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    long long v = 0;
    while (*s >= '0' && *s <= '9') {
        if (v <= INT_MAX)
            v = v * 10 + (*s - '0');
        ++s;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    value = static_cast<int>(v);
    return true;
}

namespace {

int ToInt(const CString& text)
{
    int v = 0;
    ParseSkinInt(text, v);
    return v;
}

bool FourFields(const CString& text, int (&v)[4])
{
    CStringArray f;
    if (SplitFields(text, ',', 4, f) != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (f[i].IsEmpty())
            return false;
        v[i] = ToInt(f[i]);
    }
    return true;
}

} // namespace

bool ParseSkinColor(const CString& text, std::uint32_t& colour)
{
    CStringArray f;
    if (SplitFields(text, ',', 4, f) != 3)
        return false;
    std::uint32_t r = static_cast<std::uint32_t>(ToInt(f[0])) & 0xFF;
    std::uint32_t g = static_cast<std::uint32_t>(ToInt(f[1])) & 0xFF;
    std::uint32_t b = static_cast<std::uint32_t>(ToInt(f[2])) & 0xFF;
    colour = r | (g << 8) | (b << 16);
    return true;
}

bool ParseSkinRect(const CString& text, SkinRect& rect)
{
    int v[4];
    if (!FourFields(text, v))
        return false;
    rect.left = v[0];
    rect.top = v[1];
    rect.right = static_cast<long>(v[0]) + v[2];
    rect.bottom = static_cast<long>(v[1]) + v[3];
    return true;
}

bool ParseSkinRect2(const CString& text, SkinRect& rect)
{
    int v[4];
    if (!FourFields(text, v))
        return false;
    rect.left = v[0];
    rect.top = v[1];
    rect.right = v[2];
    rect.bottom = v[3];
    return true;
}

bool ParseSkinRegion(const CString& text, std::vector<SkinRect>& rects, int maxRects)
{
    rects.clear();
    // One reader of region values for the skin and its windows: the toolkit's, which bounds the
    // count by the text and refuses empty or negative rectangles. The skin's file asks more of a
    // stored value: a sane count, matched exactly by the rectangles present.
    int colon = text.Find(':');
    if (colon <= 0)
        return false;
    int count = ToInt(text.Left(colon));
    if (count <= 0 || count > maxRects)
        return false;
    std::vector<skin::Rect> read;
    if (!skin::ParseRegionValue(text.str(), 0, 0, &read) || static_cast<int>(read.size()) != count)
        return false;
    rects.reserve(read.size());
    for (const skin::Rect& r : read) {
        SkinRect out;
        out.left = r.left;
        out.top = r.top;
        out.right = r.right;
        out.bottom = r.bottom;
        rects.push_back(out);
    }
    return true;
}

bool IsSupportedSkinVersion(const CString& text)
{
    // Whole decimal number: digits, optionally a point and more digits.
    const std::string& s = text.str();
    std::size_t i = 0;
    std::string whole, fraction;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        whole += s[i++];
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            fraction += s[i++];
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    if (whole.empty() || i != s.size())
        return false;
    while (whole.size() > 1 && whole[0] == '0')
        whole.erase(0, 1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return (whole == "3" && fraction == "2") || (whole == "130" && fraction.empty());
}

std::vector<CString>& CSkinLines::Lines(bool base)
{
    bool& loaded = base ? m_baseLoaded : m_currentLoaded;
    std::vector<CString>& lines = base ? m_base : m_current;
    if (!loaded && m_loader) {
        std::string content;
        if (m_loader(base, content)) {
            // Lines learned before the file was read stay visible.
            std::vector<CString> learned;
            learned.swap(lines);
            lines = ParseSkinInfo(content.data(), content.size());
            lines.insert(lines.end(), learned.begin(), learned.end());
            loaded = true;
        }
    }
    return lines;
}

bool CSkinLines::GetSkinValue(const char* key, CString& value)
{
    return FindSkinInfoValue(Lines(false), key, value);
}

bool CSkinLines::GetBaseSkinValue(const char* key, CString& value)
{
    return FindSkinInfoValue(Lines(true), key, value);
}

bool CSkinLines::GetValue(const char* key, CString& value)
{
    if (!IsBaseSkin() && GetSkinValue(key, value))
        return true;
    return GetBaseSkinValue(key, value);
}

int CSkinLines::GetControlRect(std::uint32_t controlId, SkinRect& rect)
{
    rect = SkinRect();
    const char* key = FindSkinKey(SkinControlKeyTable, controlId);
    CString value;
    if (!key || !GetValue(key, value))
        return -1;
    CStringArray fields;
    SplitFields(value, ':', 2, fields);
    CStringArray parts;
    SplitFields(fields[0], ',', 4, parts);
    int x = ToInt(parts[0]), y = ToInt(parts[1]), w = ToInt(parts[2]), h = ToInt(parts[3]);
    rect.left = x;
    rect.top = y;
    rect.right = static_cast<long>(x) + w;
    rect.bottom = static_cast<long>(y) + h;
    if (fields[1].IsEmpty())
        return -1;
    int anchor = ToInt(fields[1]);
    return anchor >= 0 && anchor <= 15 ? anchor : -1;
}

void CSkinLines::GetControlFields(std::uint32_t controlId, CString& a, CString& b)
{
    a.Empty();
    b.Empty();
    const char* key = FindSkinKey(SkinControlKeyTable, controlId);
    CString value;
    if (!key || !GetValue(key, value))
        return;
    CStringArray fields;
    SplitFields(value, ':', 4, fields);
    a = fields[2];
    b = fields[3];
}

bool CSkinLines::GetDockInfo(std::uint32_t dialogId, CString& value)
{
    value.Empty();
    const char* key = FindSkinKey(SkinDockKeyTable, dialogId);
    return !key || GetValue(key, value);
}

bool CSkinLines::GetTitleInfo(std::uint32_t dialogId, CString& value)
{
    value.Empty();
    const char* key = FindSkinKey(SkinTitleKeyTable, dialogId);
    return !key || GetValue(key, value);
}

bool CSkinLines::GetResizeInfo(const char* bitmapFile, CString& value)
{
    value.Empty();
    const char* key = FindSkinKey(SkinResizeKeyTable, bitmapFile);
    return key && GetValue(key, value);
}

bool CSkinLines::GetRegionInfo(const char* bitmapFile, CString& value, bool fallBack)
{
    value.Empty();
    const char* key = FindSkinKey(SkinRegionKeyTable, bitmapFile);
    if (!key)
        return false;
    if (!IsBaseSkin()) {
        if (GetSkinValue(key, value))
            return true;
        if (!fallBack)
            return false;
    }
    return GetBaseSkinValue(key, value);
}

CString CSkinLines::GetRegionCacheKey(const char* bitmapFile) const
{
    const char* key = FindSkinKey(SkinRegionKeyTable, bitmapFile);
    return key ? CString(key) : CString();
}

void CSkinLines::SetInfoValue(const CString& line)
{
    int equals = line.Find('=');
    if (equals <= 0)
        return;
    CString key = line.Left(equals);
    bool base = IsBaseSkin();
    std::vector<CString>& lines = Lines(base);
    CString existing;
    if (FindSkinInfoValue(lines, key, existing))
        return;
    // Case-insensitive too: a skin's own RGN_main line is the same entry.
    for (const CString& l : lines)
        if (l.Left(key.GetLength()).CompareNoCase(key) == 0 && l.GetLength() > key.GetLength() &&
            l.GetAt(key.GetLength()) == '=')
            return;
    lines.push_back(line);
    if (!base)
        m_pending.push_back(line);
}
