// String-table ids of the framework (the dialog data exchange's prompts).
#pragma once

#define IDS_DDX_PARSE_INT          61700 // the text is not a whole number
#define IDS_DDX_PARSE_UINT         61701 // the text is not a whole number of 0 or more
#define IDS_DDX_RANGE_INT          61702 // the number is outside %1 .. %2 (printf: %d or %u twice)
#define IDS_DDX_RANGE_UINT         61703
#define IDS_DDX_MAX_CHARS          61704 // the text is longer than %d bytes
