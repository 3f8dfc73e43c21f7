#include "shell/common/services/ErrorTable.h"

namespace errortable {

namespace {

const ServerErrorRow kRows[] = {
    {2101, 13100, 13004}, {2102, 13101, 13004}, {2103, 13102, 13004}, {2104, 13103, 13004}, {2105, 13104, 13004},
    {2106, 13105, 13004}, {2107, 13106, 13004}, {2701, 13107, 13004}, {5401, 13108, 13009}, {5402, 13109, 13010},
    {5403, 13110, 13005}, {5404, 13111, 13010}, {5405, 13112, 13010}, {5406, 13113, 13005}, {5701, 13114, 13010},
    {5801, 13115, 13010}, {6701, 13116, 13006}, {7601, 13117, 13007}, {7602, 13118, 13007}, {7603, 13119, 13007},
    {7604, 13120, 13007}, {7605, 13121, 13007}, {7606, 13122, 13007}, {7607, 13123, 13007}, {9801, 13124, 13008},
    {9802, 13125, 13008}, {9803, 13126, 13008}, {9804, 13127, 13008}, {9805, 13128, 13008}, {9901, 13129, 13008},
    {9902, 13130, 13008}, {9903, 13131, 13008}, {9904, 13132, 13008}, {9905, 13133, 13008}, {9906, 13134, 13008},
};

} // namespace

const ServerErrorRow* ServerErrors(int* count)
{
    if (count)
        *count = static_cast<int>(sizeof kRows / sizeof kRows[0]);
    return kRows;
}

const ServerErrorRow* FindServerError(int code)
{
    for (const ServerErrorRow& row : kRows) {
        if (row.serverCode == code)
            return &row;
    }
    return nullptr;
}

ErrorReport Resolve(int code, unsigned flags, const std::function<bool(unsigned)>& hasString)
{
    ErrorReport report;
    if (code == kSuccess)
        return report;
    report.show = true;
    report.textId = static_cast<unsigned>(code);
    report.flags = flags;
    bool ownString = code > 0 && hasString && hasString(static_cast<unsigned>(code));
    const ServerErrorRow* row = ownString ? nullptr : FindServerError(code);
    if (row) {
        {
            report.textId = row->groupId;
            report.number = static_cast<int>(row->detailId);
            report.flags = row->detailId == 13108 ? kFlagWarning : kFlagError;
        }
    }
    if (code >= 12100 && code <= 12299) {
        report.clearQueue = true;
        report.number = code;
        report.flags = kFlagWarning;
    }
    if (report.flags == 0)
        report.flags = kFlagWarning;
    if (code >= 12100 && code <= 12199) {
        report.textId = kNetworkBusyText;
        report.flags = kFlagWarning;
    }
    // A failure is never swallowed: without any text of its own it is still reported by number.
    bool hasText = ownString || row || (code >= 12100 && code <= 12199);
    if (!hasText) {
        report.textId = kUnknownErrorText;
        report.number = code;
    }
    return report;
}

} // namespace errortable
