#include "shell/common/skin/SplitFields.h"

int SplitFields(const CString& text, char delimiter, int maxFields, CStringArray& out)
{
    if (maxFields < 1)
        maxFields = 1;
    out.RemoveAll();
    out.SetSize(maxFields);
    const int length = text.GetLength();
    int pos = 0;
    int count = 0;
    while (count < maxFields && pos < length) {
        int next;
        if (text.GetAt(pos) == '"') {
            int close = text.Find('"', pos + 1);
            if (close < 0) {
                out[count++] = text.Mid(pos + 1);
                break;
            }
            out[count++] = text.Mid(pos + 1, close - pos - 1);
            next = text.Find(delimiter, close + 1);
        } else {
            next = text.Find(delimiter, pos);
            out[count++] = next < 0 ? text.Mid(pos) : text.Mid(pos, next - pos);
        }
        if (next < 0)
            break;
        pos = next + 1;
    }
    return count;
}
