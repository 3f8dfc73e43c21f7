// The shared field splitter of skin values and comma-separated data files.
#pragma once

#include "framework/core/Arrays.h"
#include "framework/core/CString.h"

// Splits text at delimiter into at most maxFields fields (maxFields below 1 counts as 1). out is
// emptied and then holds exactly maxFields entries; those past the returned count stay empty.
// A field that begins with '"' runs to the next '"' (without the quotes; text between the closing
// quote and the next delimiter is dropped; an unclosed quote takes the rest). Delimiters and quotes
// are found on character boundaries of code page 932 only. Returns the number of fields filled.
int SplitFields(const CString& text, char delimiter, int maxFields, CStringArray& out);
