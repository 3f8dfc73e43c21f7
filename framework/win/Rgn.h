// CRgn: owns one region and deletes it with the object (or when it is replaced).
#pragma once

#include "framework/win/Gdi.h"

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
    BOOL CreatePolygonRgn(const POINT* points, int count, int fillMode);
    // Makes this region the combination of two others (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, or
    // RGN_COPY of the first); an empty region is made first when there is none. Answers the kind
    // of region that came out (ERROR on failure).
    int CombineRgn(HRGN first, HRGN second, int mode);
    BOOL PtInRegion(int x, int y) const { return m_hObject && ::PtInRegion(*this, x, y); }
    // A new region of the same shape that the caller owns (SetWindowRgn takes over the region it
    // is given); null on failure.
    HRGN Duplicate() const;
};
